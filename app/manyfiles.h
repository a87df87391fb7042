#pragma once

#include <QString>
#include <QStringList>

// One command run on many files: "trevalon FILE FILE... COMMAND [options]"
// or "trevalon COMMAND [options] --files LIST". Each file gets a process of
// its own with the single-file syntax, so one file's failure, even a crash,
// never stops the others.
struct ManyFilesRun {
    QStringList files;
    QString filesList;         // --files: a path, or "-" for standard input
    QStringList fileArguments; // what each file's process gets after FILE: the command and its options
    int jobs = 0;              // -j: processes at a time; 0 for the number of cores
    bool json = false;
    QString error;             // set when the arguments name many files but are wrong

    // Recognises the many-files forms in the program's arguments (program
    // name first); false for the single-file syntax, which stays as it is.
    static bool fromArguments(const QStringList& arguments, const QStringList& commandNames, ManyFilesRun* run);
};

// Runs it and prints each file's output in the order the files were given:
// text under a "==> FILE <==" line, or with --json one JSON line a file.
// Returns the exit status: 1 when any file failed (after a summary line on
// standard error), else 0.
int runManyFiles(ManyFilesRun run);
