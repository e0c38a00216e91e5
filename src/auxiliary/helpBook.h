#pragma once

#include <QString>
#include <QUrl>
#include <optional>

namespace tolvane::helpBook {

// The book's pages sit in this folder, both inside the program's resources and beside it.
inline constexpr auto bookFolder = "Tolvane.help/Contents/Resources/en.lproj";

// The compiled-in copy of the book (":/Tolvane.help/..."), registered on first use.
QString resourceFolder();

// Where `page` ("index.html") is found: in `resourceFolder` first, as the page with every
// ".html" removed plus ".html", so "index" and "index.html" name the same page; then in the book
// two, three and four folders above `executableFolder`, the nearest first. None when nowhere.
// A folder starting with ':' is a resource folder and gives a "qrc:" location.
std::optional<QUrl> locatePage(const QString& page, const QString& resourceFolder,
                               const QString& executableFolder);

enum class LinkAction {
    Follow,        // load it in the help window
    OpenInBrowser, // leave the page as it is and hand the link to the default browser
};

// What the help window does with a link the user clicks (already resolved against the page).
LinkAction linkAction(const QUrl& url);

// The page shown when the book cannot be found.
QString notFoundHtml();

} // namespace tolvane::helpBook
