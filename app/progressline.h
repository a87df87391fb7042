#pragma once

#include <QString>

class SEGY;

// The progress of long operations (load, save, header changes such as a
// reprojection or an import, an export) as one line on standard error that
// is rewritten in place. It is shown only when standard error is a
// terminal and the user did not ask for quiet: standard output, and any
// standard error that is not a terminal, never carry it.
//
// There is one such line for the process, as there is one standard error.
class ProgressLine
{
public:
    // Shows progress from now on when standard error is a terminal and
    // quiet is false.
    static void enable(bool quiet);

    // Follows the load, save and edit signals of the file object; editLabel
    // names its header changes ("Exporting"; empty: "Updating headers").
    static void follow(SEGY& segy, const QString& editLabel);

    // Draws "label percent%" over the current line.
    static void show(const QString& label, int percent);
    // Removes the line, if one is shown, so that other text can be written.
    static void clear();
};
