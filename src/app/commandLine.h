#pragma once

#include <QString>
#include <QStringList>

namespace tolvane {

// What the command line `tolvane [options] [PATH...]` asks for.
struct CommandLineRequest {
    enum class Action {
        Run,         // start (or hand `paths` to the running copy)
        ShowHelp,    // print `text` to standard output and exit 0
        ShowVersion, // print `text` to standard output and exit 0
        Fail,        // print `text` to standard error and exit 1
    };
    Action action = Action::Run;
    // For Run: the paths to open, absolute and cleaned, in the order given. They are not checked
    // here: opening them reports what is wrong with each.
    QStringList paths;
    QString text;

    friend bool operator==(const CommandLineRequest&, const CommandLineRequest&) = default;
};

// Reads the program's arguments (the first one is the program itself). Relative paths are taken
// from `workingDirectory`, and "file:" URLs become their local paths. Touches no file: a second
// launch resolves its paths here and hands them to the first, whose working folder differs.
[[nodiscard]] CommandLineRequest parseCommandLine(const QStringList& arguments,
                                                  const QString& workingDirectory,
                                                  const QString& version);

} // namespace tolvane
