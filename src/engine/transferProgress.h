#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

namespace tolvane {

// One line of the progress git prints on standard error with --progress.
struct TransferProgress {
    enum class Phase {
        // The server preparing what it sends ("remote: Counting objects", "Compressing").
        Preparing,
        Receiving,
        Resolving,
        // Writing the working tree ("Checking out files", "Updating files").
        CheckingOut,
    };
    Phase phase = Phase::Preparing;
    // 0 to 100; none when git gives only a count.
    std::optional<int> percent;
    qint64 done = 0;
    qint64 total = 0;
    // What has arrived and how fast, as git wrote them ("1.20 MiB", "3.40 MiB/s"); empty when
    // git gave none.
    QString amount;
    QString rate;
    bool finished = false;

    friend bool operator==(const TransferProgress&, const TransferProgress&) = default;
};

// Reads one progress line (without its line end); none when the line is not progress.
std::optional<TransferProgress> parseProgressLine(QStringView line);

// What a piece of git's standard error holds. Git rewrites one line with carriage returns, so
// both '\r' and '\n' end a line; a line still open at the end is left for the next piece.
struct ProgressScan {
    // The last progress line, if any.
    std::optional<TransferProgress> latest;
    // Every other line that is not empty: git's messages, warnings and errors.
    QStringList messages;
    // How many characters of the text were read (up to the last line end).
    qsizetype consumed = 0;
};
ProgressScan scanProgress(QStringView text);

// A user-facing name for a phase: "Receiving objects".
QString progressPhaseName(TransferProgress::Phase phase);

} // namespace tolvane
