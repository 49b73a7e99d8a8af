#pragma once

#include <QByteArray>

// Opens the file manager on the file's folder with the file selected; when no file manager
// answers on the session bus, opens the folder alone.
void ShowInFileManager(const QByteArray &fullPath);
