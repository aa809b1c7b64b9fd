#pragma once
// The diagram file as a whole: how its load and save report to the user, and the state of the
// tree reader between two markers. The operations themselves are TDiagram's (Diagram.h).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace io {
class BinaryReader;
}

namespace zov {

class TObjet;
struct TDiagramHeader;

// The 179-byte header record as it stands in the file after the version word.
void ReadHeaderRecord(io::BinaryReader& s, TDiagramHeader& header);

// The extension load and save append to the diagram's file name. On disk it may be in any case
// (the file found is used, a save rewrites it); a new file gets it in lower case.
inline constexpr const char* DiagramExtension = ".ZOV";

inline constexpr const char* NotCompatibleMessage = "Diagram not compatible with this ZOV program version";

// Shows a message to the user. The main window installs one that shows a message box; without
// one, messages are only kept in the report.
using FileMessageHandler = std::function<void(const std::string& message)>;
void SetFileMessageHandler(FileMessageHandler handler);

// What the last load or save did.
struct FileReport {
    enum class Outcome {
        Done,
        // Loaded in part: a kind or marker this program does not know, or the data ended early.
        // The objects read so far are kept, but the diagram has no file name, so a save cannot
        // overwrite the original with less than it holds.
        Incomplete,
        Failed, // nothing was loaded, or nothing was saved
    };
    Outcome outcome = Outcome::Done;
    std::string path;                  // the file read or written, with its extension as on disk
    std::vector<std::string> messages; // every message, also those a silent load did not show
    std::size_t objects = 0;           // records read or written
};
const FileReport& LastFileReport();

// Where the tree reader stands between two calls of ReadTreeStep.
struct TreeReadState {
    // The object the record being read is a later position of, the one it comes to follow: the
    // cursor for a first next step; for a further next step (a second next step, or a sibling
    // read while the cursor is a step of a chain), the last step of the chain it joins.
    const TObjet* nextOf = nullptr;
    // An unknown kind or marker, or a marker with no cursor to act on, ended the reading.
    bool notCompatible = false;
    std::size_t notCompatibleAt = 0;  // its byte offset
    std::size_t objects = 0;          // records read
    // The first object of the sibling chain each appended object joined, and the last object
    // of each such chain: a file listing many siblings one bracket at a time reads in linear time.
    std::unordered_map<const TObjet*, TObjet*> chainHead;
    std::unordered_map<const TObjet*, TObjet*> chainEnd;
};

} // namespace zov
