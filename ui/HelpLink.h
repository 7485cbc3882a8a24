// Help for the dialogs: the section of the README that describes them, opened in the desktop's
// viewer for Markdown files (or its browser).
#pragma once

#include <QString>
#include <QUrl>

namespace quillon {

inline constexpr char kHelpPreferences[] = "preferences";
inline constexpr char kHelpDisplayFilter[] = "file-display-filter";
inline constexpr char kHelpUndoHistory[] = "undo";

// file:// URL of README.md with `anchor` as its fragment. The README is looked for beside the
// executable and in up to three folders above it (a build folder sits below the source tree),
// then in the installed documentation folder. Empty when none is found.
QUrl HelpUrl(const QString& anchor);
// False when no README was found or the desktop could not open it.
bool OpenHelp(const QString& anchor);

}  // namespace quillon
