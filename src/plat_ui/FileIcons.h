#pragma once
// Icons and types of the files a file dialog or a folder tree lists, told by their names alone.
// Qt's own guess reads a file to tell its type when its name does not say it: a file under /proc
// or a device then blocks the program for good as soon as the folder is listed or its path typed.

class QFileDialog;
class QFileSystemModel;

namespace zov::ui {

// The dialog, and the model under a folder tree, never open what they list.
void ListByNameOnly(QFileDialog& dialog);
void ListByNameOnly(QFileSystemModel& model);

} // namespace zov::ui
