#include "app/commandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QUrl>

namespace tolvane {
namespace {

QString absolutePath(const QString& argument, const QString& workingDirectory) {
    if (argument.isEmpty())
        return argument; // reported as missing rather than silently meaning the working folder
    QString path = argument;
    if (argument.startsWith(QStringLiteral("file:"))) {
        const QUrl url(argument);
        if (url.isLocalFile())
            path = url.toLocalFile();
    }
    return QDir::cleanPath(QDir(workingDirectory).absoluteFilePath(path));
}

} // namespace

CommandLineRequest parseCommandLine(const QStringList& arguments, const QString& workingDirectory,
                                    const QString& version) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Tolvane, a Git client. Opens each PATH (a repository, or a folder or file "
                       "inside one) as a tab, after the tabs of the last session. When Tolvane "
                       "is already running, its window opens them instead."));
    // Own options rather than addHelpOption(), whose --help-all promises Qt's options too.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption showVersion({QStringLiteral("v"), QStringLiteral("version")},
                                         QStringLiteral("Show the version and exit."));
    parser.addOption(help);
    parser.addOption(showVersion);
    parser.addPositionalArgument(QStringLiteral("PATH"),
                                 QStringLiteral("A repository to open as a tab."),
                                 QStringLiteral("[PATH...]"));

    const bool parsed = parser.parse(arguments);
    CommandLineRequest request;
    // Asked for help or the version, the user gets it even next to an option we do not know.
    if (parser.isSet(help)) {
        request.action = CommandLineRequest::Action::ShowHelp;
        request.text = parser.helpText();
        // Without an application object Qt writes a placeholder for the program's name.
        const qsizetype endOfUsage = request.text.indexOf(QLatin1Char('\n'));
        request.text.replace(0, endOfUsage, QStringLiteral("Usage: tolvane [options] [PATH...]"));
    } else if (parser.isSet(showVersion)) {
        request.action = CommandLineRequest::Action::ShowVersion;
        request.text = QStringLiteral("Tolvane %1\n").arg(version);
    } else if (!parsed) {
        request.action = CommandLineRequest::Action::Fail;
        request.text = QStringLiteral("tolvane: %1\nTry 'tolvane --help' for more information.\n")
                           .arg(parser.errorText());
    } else {
        for (const QString& argument : parser.positionalArguments())
            request.paths.append(absolutePath(argument, workingDirectory));
    }
    return request;
}

} // namespace tolvane
