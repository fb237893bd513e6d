#include "commandline.h"

#include "convert.h"
#include "version.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

namespace borovka {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("convert", text);
}

// The option an argument names: dashes and a "=value" left out.
QString optionName(const QString &argument)
{
    QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    return name.left(name.indexOf(QLatin1Char('=')));
}

// The arguments before "--", after which everything is a file's name.
QStringList optionPart(const QStringList &arguments)
{
    const qsizetype end = arguments.indexOf(QStringLiteral("--"));
    return end < 0 ? arguments.mid(1) : arguments.mid(1, end - 1);
}

// The first argument before "--" that names one of `names`, as the user
// wrote it. `parsed` is what the parser was given, `written` the same
// arguments as they came.
QString writtenAs(const QStringList &parsed, const QStringList &written, const QStringList &names)
{
    const qsizetype end = parsed.indexOf(QStringLiteral("--"));
    for (qsizetype i = 1; i < (end < 0 ? parsed.size() : end); ++i) {
        const QString &a = parsed[i];
        if (a.size() > 1 && a.startsWith(QLatin1Char('-')) && names.contains(optionName(a)))
            return written[i];
    }
    return names.value(0);
}

} // namespace

ConvertCommand parseConvertCommand(const QStringList &arguments)
{
    ConvertCommand command;
    auto fail = [&command](const QString &why) {
        command.action = ConvertCommand::Error;
        command.error = why;
        return command;
    };

    QCommandLineParser parser;
    // One dash or two alike, as the options always were written: "-rf" is
    // no pair of options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption verbose(QStringLiteral("verbose"));
    const QCommandLineOption to(QStringLiteral("to"), QString(), QStringLiteral("FORMAT"));
    const QCommandLineOption outputDir(QStringLiteral("output-dir"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption jobs({QStringLiteral("j"), QStringLiteral("jobs")}, QString(), QStringLiteral("N"));
    const QCommandLineOption recursive(QStringList{QStringLiteral("r"), QStringLiteral("recursive")});
    const QCommandLineOption force(QStringList{QStringLiteral("f"), QStringLiteral("force")});
    parser.addOptions({help, version, verbose, to, outputDir, jobs, recursive, force});

    // "-j4" as make(1) takes it: the only value that may follow its option
    // without a blank, and only a number, so "-junk" stays an unknown option.
    QStringList args = arguments;
    static const QRegularExpression gluedJobs(QStringLiteral("^-j(\\d.*)$"));
    const qsizetype end = args.indexOf(QStringLiteral("--"));
    for (qsizetype i = 1; i < (end < 0 ? args.size() : end); ++i) {
        if (const QRegularExpressionMatch m = gluedJobs.match(args[i]); m.hasMatch())
            args[i] = QStringLiteral("--jobs=") + m.captured(1);
    }
    const bool parsed = parser.parse(args);

    command.verbose = parser.isSet(verbose);
    if (parser.isSet(help)) {
        command.action = ConvertCommand::Help;
        return command;
    }
    if (parser.isSet(version)) {
        command.action = ConvertCommand::Version;
        return command;
    }
    if (!parser.unknownOptionNames().isEmpty())
        return fail(tr("neznámá volba %1").arg(writtenAs(args, arguments, {parser.unknownOptionNames().first()})));
    if (!parsed) {
        // An option without its value can only be the last argument.
        const QStringList options = optionPart(args);
        const QString last = options.isEmpty() ? QString() : options.last();
        if (last.startsWith(QLatin1Char('-')) && !last.contains(QLatin1Char('='))) {
            const QString name = optionName(last);
            if (to.names().contains(name))
                return fail(tr("--to chce formát výstupu (html, md, txt, pdf, docx, odt, rtf nebo kln)"));
            if (outputDir.names().contains(name))
                return fail(tr("--output-dir chce název složky"));
            if (jobs.names().contains(name))
                return fail(tr("-j chce počet vláken"));
        }
        // A value given to an option that takes none ("--force=1").
        for (const QString &a : options)
            if (a.startsWith(QLatin1Char('-')) && a.contains(QLatin1Char('=')))
                for (const QCommandLineOption &flag : {help, version, verbose, recursive, force})
                    if (flag.names().contains(optionName(a)))
                        return fail(tr("neznámá volba %1").arg(a));
        return fail(parser.errorText());
    }

    const QStringList files = parser.positionalArguments();
    if (!parser.isSet(to)) {
        for (const QCommandLineOption &batchOnly : {outputDir, jobs, recursive, force})
            if (parser.isSet(batchOnly))
                return fail(tr("volba %1 patří jen k dávkovému převodu (--to)")
                                .arg(writtenAs(args, arguments, batchOnly.names())));
        if (files.size() != 2) {
            command.action = ConvertCommand::Usage;
            return command;
        }
        command.action = ConvertCommand::Single;
        command.input = files.at(0);
        command.output = files.at(1);
        return command;
    }

    for (const QString &v : parser.values(jobs)) {
        bool ok = false;
        command.jobs = v.toInt(&ok);
        if (!ok || command.jobs < 1 || command.jobs > 1024)
            return fail(tr("neplatný počet vláken: %1").arg(v));
    }
    for (const QString &v : parser.values(outputDir))
        if (v.isEmpty())
            return fail(tr("--output-dir chce název složky"));
    command.outputDir = parser.value(outputDir);
    command.format = parser.value(to).toLower();
    if (command.format.startsWith(QLatin1Char('.')))
        command.format.remove(0, 1);
    if (outputKindFor(QStringLiteral("x.") + command.format) == OutputKind::Unknown)
        return fail(tr("neznámý formát výstupu: %1 (použijte html, md, txt, pdf, docx, odt, rtf nebo kln)").arg(command.format));
    command.recursive = parser.isSet(recursive);
    command.force = parser.isSet(force);
    for (const QString &f : files) {
        if (f == QLatin1String("-"))
            command.fromStandardInput = true;
        else
            command.names.append(f);
    }
    if (command.names.isEmpty() && !command.fromStandardInput)
        return fail(tr("chybí soubory k převodu"));
    command.action = ConvertCommand::Batch;
    return command;
}

QString convertHelp()
{
    return QStringLiteral(
        "Použití: borovka-convert [--verbose] VSTUP VÝSTUP\n"
        "Usage:   borovka-convert [--verbose] INPUT OUTPUT\n"
        "         borovka-convert --to FORMAT [--output-dir DIR] [-j N] [--recursive] [--force] FILE... | -\n"
        "         borovka-convert --help | --version\n"
        "\n"
        "Převede dokument stejným kódem, jakým jej čte a ukládá Borovka KLN Editor.\n"
        "Converts a document with the same code Borovka KLN Editor reads and saves with.\n"
        "\n"
        "VSTUP / INPUT: RTF (.kln, .rtf), Word (.docx), OpenDocument (.odt, .fodt),\n"
        "               or plain text in UTF-8 or Windows-1250, told by content.\n"
        "Typ výstupu podle přípony / output type by extension:\n"
        "  .kln, .rtf   RTF as the editor saves it\n"
        "  .docx        a Word document\n"
        "  .odt         an OpenDocument text\n"
        "  .txt         plain text, UTF-8, as \"Uložit TXT\" writes it\n"
        "  .html        a self-contained HTML page with the formatting\n"
        "  .md          Markdown (CommonMark with ~~strikethrough~~ and tables)\n"
        "  .pdf         PDF, A4 with 2.5 cm margins, fonts embedded\n"
        "\n"
        "--verbose      show Qt's own messages too\n"
        "-h, --help     this text, then exit\n"
        "--version      the program's name and version, then exit\n"
        "--             every argument after it is a file, even one starting with \"-\"\n"
        "\n"
        "Dávkový převod / batch mode (--to html, md, txt, pdf, docx, odt, rtf or kln):\n"
        "  FILE...             files to convert; \"-\" reads their names from standard input, one a line\n"
        "  --output-dir DIR    outputs go there, relative paths kept (default: next to each input)\n"
        "  -r, --recursive     a FILE that is a folder: every .kln, .rtf, .docx, .odt and .fodt file below it\n"
        "  -j N, --jobs N      N files at once, 1 to 1024 (default: one per core)\n"
        "  -f, --force         replace existing outputs (otherwise they are skipped and reported)\n"
        "  A file that fails is reported and the others go on; exit status 1 if any failed.\n"
        "\n"
        "Návratový kód: 0 převedeno, 1 převod selhal (nic se nezapíše), 2 chybné použití.\n"
        "Exit status: 0 success, 1 the conversion failed (nothing is written), 2 wrong usage.\n");
}

QString convertVersion()
{
    return QStringLiteral("borovka-convert %1\n").arg(QString::fromUtf8(version::String));
}

} // namespace borovka
