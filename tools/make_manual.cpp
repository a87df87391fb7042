// Writes the manual page and the bash completion from the program's own
// command table, option declarations and header field table, so that a new
// command, option or field appears in both without being listed here.
//
//   make_manual man TEMPLATE OUTPUT VERSION DATADIR
//   make_manual completion OUTPUT

#include "commandline.h"
#include "headerfields.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <cstdio>

namespace {

struct Option {
    QString shortName;  // without "-"; may be empty
    QString name;       // without "--"
    QString value;      // the value's name; empty for a switch
    QString description;
};

// A command's options as its help lists them, less help and version.
QList<Option> commandOptions(const QString& command)
{
    static const QRegularExpression first(QStringLiteral("^  (?:-(\\w), )?--([\\w-]+)(?: <([^>]+)>)?\\s+(.*)$"));
    static const QRegularExpression more(QStringLiteral("^\\s{4,}(\\S.*)$"));
    QList<Option> options;
    bool inOptions = false;
    for (const QString& line : CommandLine::commandHelp(command).split(QLatin1Char('\n'))) {
        if (line == QLatin1String("Options:")) {
            inOptions = true;
            continue;
        }
        if (!inOptions)
            continue;
        if (line.trimmed().isEmpty())
            break;
        const QRegularExpressionMatch option = first.match(line);
        if (option.hasMatch()) {
            options.append({option.captured(1), option.captured(2), option.captured(3), option.captured(4)});
            continue;
        }
        const QRegularExpressionMatch continued = more.match(line);
        if (continued.hasMatch() && !options.isEmpty())
            options.last().description += QLatin1Char(' ') + continued.captured(1);
    }
    const QStringList general{QStringLiteral("help"), QStringLiteral("help-all"), QStringLiteral("version")};
    options.erase(std::remove_if(options.begin(), options.end(),
                                 [&general](const Option& o) { return general.contains(o.name); }),
                  options.end());
    return options;
}

// Text for troff: backslashes, hyphens and a leading dot or quote escaped.
QString roff(QString text)
{
    text.replace(QLatin1Char('\\'), QStringLiteral("\\e")).replace(QLatin1Char('-'), QStringLiteral("\\-"));
    if (text.startsWith(QLatin1Char('.')) || text.startsWith(QLatin1Char('\'')))
        text.prepend(QStringLiteral("\\&"));
    return text;
}

QString manualCommands()
{
    QString out;
    for (int i = 0; i < CommandLine::commandNames().size(); ++i) {
        const QString command = CommandLine::commandNames().at(i);
        out += QStringLiteral(".SS %1\n%2\n").arg(roff(command), roff(CommandLine::commandDescriptions().at(i)));
        out += QStringLiteral(".PP\n.B trevalon\n.I FILE\n.B %1\n.RI [ OPTIONS ]\n").arg(roff(command));
        for (const Option& o : commandOptions(command)) {
            out += QStringLiteral(".TP\n");
            QString names = o.shortName.isEmpty() ? QString() : QStringLiteral("\\fB\\-%1\\fR, ").arg(o.shortName);
            names += QStringLiteral("\\fB\\-\\-%1\\fR").arg(roff(o.name));
            if (!o.value.isEmpty())
                names += QStringLiteral(" \\fI%1\\fR").arg(roff(o.value));
            out += names + QLatin1Char('\n') + roff(o.description) + QLatin1Char('\n');
        }
    }
    return out;
}

QString manualFields()
{
    QString out = QStringLiteral("The binary header fields (file bytes) and the trace header fields (bytes of "
                                 "the trace header), named on the command line by their first byte.\n");
    const auto table = [&out](const QString& title, const QStringList& labels, const QStringList& descriptions) {
        out += QStringLiteral(".SS %1\n").arg(title);
        for (int i = 0; i < labels.size(); ++i)
            out += QStringLiteral(".TP\n.B %1\n%2\n").arg(roff(labels.at(i)), roff(descriptions.value(i).simplified()));
    };
    table(QStringLiteral("Binary header"), binaryHeaderLabels(), binaryHeaderDescriptions());
    table(QStringLiteral("Trace header"), traceHeaderLabels(), traceHeaderDescriptions());
    return out;
}

QString joined(const QList<int>& numbers)
{
    QStringList texts;
    for (int n : numbers)
        texts.append(QString::number(n));
    return texts.join(QLatin1Char(' '));
}

// The bash completion: commands after the file, each command's options, the
// field numbers after the options that take them, files elsewhere.
QString completion()
{
    QString cases;
    // Every command runs on many files too (--files LIST, -j N).
    QStringList valued{QStringLiteral("--files"), QStringLiteral("--jobs"), QStringLiteral("-j")};
    for (const QString& command : CommandLine::commandNames()) {
        QStringList words{QStringLiteral("--help"), QStringLiteral("--files"), QStringLiteral("--jobs")};
        for (const Option& o : commandOptions(command)) {
            words.append(QStringLiteral("--") + o.name);
            if (!o.value.isEmpty()) {
                valued.append(QStringLiteral("--") + o.name);
                if (!o.shortName.isEmpty())
                    valued.append(QStringLiteral("-") + o.shortName);
            }
        }
        cases += QStringLiteral("        %1) options=\"%2\" ;;\n").arg(command, words.join(QLatin1Char(' ')));
    }
    valued.removeDuplicates();
    QString script = QStringLiteral(R"(# bash completion for trevalon, generated from its command table
_trevalon()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local commands="@COMMANDS@"
    local binary_fields="@BINARY@"
    local trace_fields="@TRACE@"
    local valued=" @VALUED@ "
    local command="" positional=0 i word
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
        -*=*) ;;
        -*) [[ $valued == *" $word "* ]] && ((i++)) ;;
        *) ((positional++))
           [[ -z $command && $positional -ge 2 && " $commands " == *" $word "* ]] && command=$word ;;
        esac
    done
    case $prev in
    -b|--bin-header)
        compopt -o nospace 2>/dev/null
        COMPREPLY=($(compgen -W "$binary_fields" -S = -- "$cur")); return ;;
    -t|--trace-header)
        compopt -o nospace 2>/dev/null
        COMPREPLY=($(compgen -W "$trace_fields" -S = -- "$cur")); return ;;
    --fields)
        local done_part=${cur%,*} last=${cur##*,}
        [[ $cur == *,* ]] && done_part+=, || done_part=""
        compopt -o nospace 2>/dev/null
        COMPREPLY=($(compgen -W "$trace_fields" -P "$done_part" -- "$last")); return ;;
    esac
    if [[ $valued == *" $prev "* ]]; then
        COMPREPLY=($(compgen -f -- "$cur")); return
    fi
    local options="--help --version"
    case $command in
@CASES@    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ -z $command && $positional -eq 1 ]]; then
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    elif [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$commands" -- "$cur") $(compgen -f -- "$cur"))
    fi
}
complete -o filenames -F _trevalon trevalon
)");
    return script.replace(QStringLiteral("@COMMANDS@"), CommandLine::commandNames().join(QLatin1Char(' ')))
        .replace(QStringLiteral("@BINARY@"), joined(binaryHeaderStartBytes()))
        .replace(QStringLiteral("@TRACE@"), joined(traceHeaderStartBytes()))
        .replace(QStringLiteral("@VALUED@"), valued.join(QLatin1Char(' ')))
        .replace(QStringLiteral("@CASES@"), cases);
}

bool write(const QString& path, const QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.flush()) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(file.errorString()));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("trevalon"));
    const QStringList args = app.arguments();
    if (args.size() == 6 && args.at(1) == QLatin1String("man")) {
        QFile in(args.at(2));
        if (!in.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(args.at(2)));
            return 1;
        }
        QString page = QString::fromUtf8(in.readAll());
        page.replace(QStringLiteral("@VERSION@"), args.at(4))
            .replace(QStringLiteral("@DATADIR@"), args.at(5))
            .replace(QStringLiteral("@COMMANDS@\n"), manualCommands())
            .replace(QStringLiteral("@FIELDS@\n"), manualFields());
        return write(args.at(3), page) ? 0 : 1;
    }
    if (args.size() == 3 && args.at(1) == QLatin1String("completion"))
        return write(args.at(2), completion()) ? 0 : 1;
    std::fprintf(stderr, "usage: make_manual man TEMPLATE OUTPUT VERSION DATADIR | completion OUTPUT\n");
    return 2;
}
