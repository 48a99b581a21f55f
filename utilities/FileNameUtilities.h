#pragma once

#include <QString>
#include <cstdint>

// Key of the application's string table: what marks a copy (" copy").
inline constexpr char kCopySuffixKey[] = "COPY_SUFFIX";
inline constexpr char kTemplateFileExtension[] = "vyxTemplate";

// A name that is free in the folder: the name itself, else the name with the copy
// suffix before its extension ("Kids copy.vyxTemplate"), then with the suffix and
// 2, 3, ... ("Kids copy 2.vyxTemplate"). Anything standing at a name, a dangling
// link included, takes it. Only tests for existence: a name taken after the test
// is not noticed.
QString UniqueFileNameInFolder(const QString& fileName, const QString& folder);

// The full path of a new template file for a template name: the template
// extension added when missing, blanks, colons and slashes turned into "_", and
// the name made free in the folder.
QString NewTemplateFileName(const QString& templateName, const QString& folder);

// One file name from a name a server chose: "/" and NUL become "_", "." and ".."
// become `fallback`, and so does an empty name. The result never leaves its folder.
QString SafeFileName(const QString& name, const QString& fallback = QStringLiteral("template"));

// Whether `path` names an entry directly inside `folder`, after resolving "." and "..".
bool PathIsDirectlyInFolder(const QString& path, const QString& folder);
