#pragma once

#include <QByteArray>
#include <QStringList>

namespace umbraxis {

// The texts of the CD. Every file is single-byte text with CR LF line ends.
QStringList tipLines();
QStringList briefingLines();
QStringList websiteLines();
QByteArray helpRtf();
QStringList cdReadmeLines();

// Joins lines with CR LF after every line, in Latin-1.
QByteArray crlfText(const QStringList& lines);

} // namespace umbraxis
