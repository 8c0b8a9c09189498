// File names cross into the toolkit and back as the file system's own bytes.
// The toolkit decodes names as UTF-8 and turns bytes that are not UTF-8 into
// U+FFFD, which no file is named after; these helpers find the real bytes
// again, so that a Latin-1 "caf\xe9.wav" is opened, not a name that does not
// exist. Texts made from file names for displays may carry U+FFFD; names
// handed to the playlist, the player or the settings never do.
#pragma once

#include <QString>
#include <QUrl>

#include <string>

// The bytes of a name the toolkit decoded (a file dialog's choice): the name
// encoded back when that exists, otherwise each folder and file name that did
// not survive decoding is matched against the entries of its folder. A name
// that matches nothing is returned encoded.
std::string VxFileSystemName(const QString& name);

// The bytes of a dropped local file's path, taken from the URL's encoded form.
std::string VxLocalFileName(const QUrl& url);

// The folder a file dialog can open for a folder given as bytes: the folder
// itself when its name survives decoding, otherwise its deepest parent that
// does. The toolkit cannot enter a folder whose name is not UTF-8, and a
// decoded name of such a folder would make the dialog open somewhere else.
QString VxDialogFolder(const std::string& folder);
