#pragma once

// The program's own pictures, drawn in code: the grid's status pictures and the program icon.

#include <QIcon>
#include <QImage>
#include <QString>

namespace sheetcut::app {

enum class StatusPicture { Doing, Ok, Failure, NoFrame };
inline constexpr StatusPicture kStatusPictures[] = {StatusPicture::Doing, StatusPicture::Ok,
                                                    StatusPicture::Failure, StatusPicture::NoFrame};

// A status picture of size x size pixels on a transparent background.
QImage drawStatusPicture(StatusPicture kind, int size);
// The file name of a status picture inside the "ico" folder beside the program.
QString statusPictureFile(StatusPicture kind);
// The program's icon: a sheet cut into parts.
QImage drawProgramIcon(int size);
QIcon programIcon();

}  // namespace sheetcut::app
