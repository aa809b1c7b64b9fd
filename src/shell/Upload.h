#pragma once
// "Export to ZOV Repository": sends the current diagram's file to "import.php" on the product web
// host and shows the host's answer.

#include <QString>

#include <string>

class QWidget;

namespace zov {

class TDiagram;

// The information line of the progress window while the diagram is sent.
inline constexpr const char* UploadProgressText = "Sending the diagram to ZOV Repository";

// The message for the host's reply: "0" accepted, "3" the name exists, anything else an error
// (an HTTP error status, or the reply cut to a short printable text). FileName is the file's name
// without folder and extension.
QString UploadReplyText(long httpStatus, const std::string& reply, const QString& fileName);

// Sends Diagram's file (the one on disk, whatever the case of its extension) as the form field
// "uploaded" and shows the reply over Window. The transfer runs on a thread of its own behind the
// progress window, whose Cancel abandons it (then nothing is shown), within a time limit. A
// diagram without a file, or whose file is missing, is not sent and the user is told why. The
// caller offers to save changes first. A failure to reach the host raises rt::Error for the error
// display.
void UploadToRepository(const TDiagram& diagram, QWidget* window = nullptr);

} // namespace zov
