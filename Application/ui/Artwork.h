#pragma once

#include <QPixmap>

/// The program's own pictures, drawn in code.

/// The icon of the message dialogs: a white shield with a green tick on the title band,
/// size x size pixels with a transparent background.
QPixmap NoticeIconPicture(int size);

/// The picture of the about window and the start-up splash, width x height: a green face with
/// the product's name, a shield and room for the version and close labels near the bottom.
QPixmap AboutLogoPicture(int width, int height);
