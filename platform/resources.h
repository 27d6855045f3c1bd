// Bitmap and icon resources of the application, by id.
#pragma once

#include <QIcon>
#include <QImage>

// A null image when there is no such bitmap.
QImage LoadBitmapResource(int id);
QIcon LoadIconResource(int id);
