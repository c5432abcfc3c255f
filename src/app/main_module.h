#pragma once

#include <QString>

namespace amb {

inline const QString kProductTitle = QStringLiteral("Ambrevale");

// True when the date and time stamp of `path` can be read; never throws.
bool FileExists(const QString& path) noexcept;

// Sets the application title from the product title: the last space and what follows
// it are cut until at most 40 characters are left. A title without a space is kept
// whole (there is nothing to cut at).
void SetApplicationTitle(const QString& productTitle = kProductTitle);
QString applicationTitle();
// The cutting rule alone, for tests.
QString shortenedTitle(const QString& productTitle);

// The part of `text` after its last backslash; the whole text when it has none.
QString TextAfterLastBackslash(const QString& text);

// The folder that holds the program, its database and its data files.
QString programFolder();
void setProgramFolderForTests(const QString& folder);

} // namespace amb
