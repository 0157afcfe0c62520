// Image files of the application: JPEG at a chosen quality (libjpeg),
// Windows BMP in the display's format, and the save dialog's filter list.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// The save dialog's eight entries, in order (index from 1), in the current
// language.
QStringList ImageFilterList();
// The JPEG quality of filter entry `index` (2 to 7), else 0.
int JpegQualityOfFilter(int index);

// `fileName` with ".<extension>" appended when it has no extension.
QString WithDefaultExtension(const QString& fileName, const QString& extension);

// Write `image`; each throws std::runtime_error with the file error
// message when the file cannot be created.
void SaveJpegFile(const QImage& image, int quality, const QString& fileName);
void SaveBmpFile(const QImage& image, const QString& fileName);
