#pragma once

#include <QString>

// A file's comment, kept where Linux file managers keep it: the extended
// attribute "user.xdg.comment", in UTF-8.

// False for an empty path, a path where nothing exists, or a file system that
// keeps no user attributes. An empty comment removes the attribute.
bool UTSetFinderCommentInFile(const QString& path, const QString& comment);
// The comment without one pair of enclosing double quotes; the empty text when
// there is none, it is shorter than two characters, or anything fails.
QString UTGetFinderCommentFromFile(const QString& path);
