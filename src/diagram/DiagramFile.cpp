#include "diagram/DiagramFile.h"

#include "diagram/Diagram.h"
#include "model/Objet.h"
#include "model/Records.h"
#include "model/Settings.h"
#include "plat/io/BinaryStream.h"
#include "plat/io/FileNames.h"
#include "plat/io/RegularFile.h"
#include "plat/io/ReplacingFile.h"
#include "plat/rt/Numeric.h"
#include "plat/sys/Trace.h"
#include "plat/sys/UserName.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>

#include <new>
#include <unordered_set>

namespace zov {

namespace {

FileMessageHandler messageHandler;
FileReport lastReport;

// A diagram file is a few hundred kilobytes; anything this large is not one.
constexpr qint64 MaxFileSize = 256LL * 1024 * 1024;

// Collects what the user is told, and shows it unless the load is a silent one.
class Reporter {
public:
    explicit Reporter(bool show)
        : m_show(show)
    {
    }
    void say(const std::string& message)
    {
        lastReport.messages.push_back(message);
        if (m_show && messageHandler)
            messageHandler(message);
    }

private:
    bool m_show;
};

template <std::size_t N> void ReadField(io::BinaryReader& s, std::array<char, N>& field)
{
    s.readInto(field.data(), N);
}

template <std::size_t N> void WriteField(io::BinaryWriter& s, const std::array<char, N>& field)
{
    s.writeBytes(field.data(), N);
}

} // namespace

void ReadHeaderRecord(io::BinaryReader& s, TDiagramHeader& h)
{
    h.SituationType = s.readI16();
    ReadField(s, h.Rules);
    ReadField(s, h.Reserved);
    ReadField(s, h.CaseCall);
    ReadField(s, h.Author);
    ReadField(s, h.Description);
    ReadField(s, h.Date);
}

namespace {

// The version word, the header and the settings words, up to the first marker.
void ReadHeader(TDiagram& d, io::BinaryReader& s)
{
    FileVersion = s.readI16();
    Trace("Version: " + std::to_string(FileVersion));
    ReadHeaderRecord(s, d.FHeader);
    if (FileVersion >= 3)
        ReadField(s, d.FEmail);
    if (FileVersion >= 4)
        d.FHideNumbers = s.readU8();
    d.FReserved1 = s.readI16();
    d.FReserved2 = s.readI16();
    d.FReserved3 = s.readI16();
    d.FWind = s.readU16(); // the low 16 bits, taken as unsigned
    d.FShowLaylines = s.readI16();
    d.FLaylineAngle = s.readI16();
    d.FExtraCount = s.readI16();
    d.FExtra.clear();
    if (d.FExtraCount > 0) {
        d.FExtra.reserve(std::size_t(d.FExtraCount));
        for (std::int16_t i = 0; i < d.FExtraCount; ++i)
            d.FExtra.push_back(s.readI32());
    }
    d.FShowGrid = s.readI16();
    d.FReserved4 = s.readI16();
    d.FReserved5 = s.readI16();
    d.FReserved6 = s.readI16();
    d.FDefaultRayon = s.readI16();
    if (d.FDefaultRayon == 0)
        d.FDefaultRayon = 3;
    d.FReserved7 = s.readI16();
}

// Hands what the staging diagram read over to D, which gives up whatever it held.
void Adopt(TDiagram& d, TDiagram& read)
{
    d.ClearUndoStack();
    if (d.FRoot) {
        CurrentDiagramScope scope(&d);
        TObjet* old = d.FRoot;
        d.FRoot = nullptr;
        old->FreeTree();
    }
    d.FHeader = read.FHeader;
    d.FEmail = read.FEmail;
    d.FHideNumbers = read.FHideNumbers;
    d.FReserved1 = read.FReserved1;
    d.FReserved2 = read.FReserved2;
    d.FReserved3 = read.FReserved3;
    d.FWind = read.FWind;
    d.FShowLaylines = read.FShowLaylines;
    d.FLaylineAngle = read.FLaylineAngle;
    d.FExtraCount = read.FExtraCount;
    d.FExtra = std::move(read.FExtra);
    d.FShowGrid = read.FShowGrid;
    d.FReserved4 = read.FReserved4;
    d.FReserved5 = read.FReserved5;
    d.FReserved6 = read.FReserved6;
    d.FDefaultRayon = read.FDefaultRayon;
    d.FReserved7 = read.FReserved7;
    d.FRoot = read.FRoot;
    d.FBoatCount = read.FBoatCount;
    d.FFirstMark = read.FFirstMark;
    d.FCommittee = read.FCommittee;
    d.FSelected = nullptr;
    d.FHovered = nullptr;
    d.FBackground = nullptr;
    read.FRoot = read.FFirstMark = read.FCommittee = read.FSelected = nullptr;
}

// The first mark, the committee boat and the boats' numbers as the records stand in the order the
// writer puts them, not in the order this file gave them (a next step before a sibling): saved and
// read again, the diagram keeps the reference of its laylines, its committee boat and the number
// (and colour) of each boat. A file this program wrote is in that order already.
void RegisterInWriteOrder(TDiagram& d)
{
    d.FFirstMark = nullptr;
    d.FCommittee = nullptr;
    std::int32_t boats = 0;
    std::unordered_set<const TObjet*> steps; // the positions of chains met so far
    for (TObjet* o = d.FRoot; o; o = o->NextInWalk()) {
        const TObjet* before = o->FPrev;
        if (before && (before->FNext == o || (before->FSibling == o && steps.count(before))))
            steps.insert(o);
        if (o->FGenre == gMark && !d.FFirstMark)
            d.FFirstMark = o;
        if (o->FGenre == gCommittee)
            d.FCommittee = o; // the last one read wins
        if (auto* boat = dynamic_cast<TBateauCourse*>(o)) {
            // A later position of a racing boat is that boat; any other is a new one.
            const auto* previous = steps.count(o) ? dynamic_cast<const TBateauCourse*>(before) : nullptr;
            const std::int32_t index = previous ? previous->FBoatIndex : ++boats;
            if (boat->FBoatIndex != index) {
                boat->FBoatIndex = rt::checked<std::int16_t>(index);
                if (FileVersion < 5)
                    boat->FColor = TBateauCourse::ColorForIndex(index); // these files store no colour of boats
            }
        }
    }
    d.FBoatCount = boats;
}

std::string Damaged(const std::string& path, const std::string& what)
{
    return "Cannot open " + path + ": the file is damaged (" + what + ")";
}

std::string NotADiagram(const std::string& path)
{
    return "Cannot open " + path + ": it is not a diagram file";
}

std::string ReadInPart(const std::string& path, const std::string& why)
{
    return path + " could be read only in part (" + why
        + "). What was read is shown without a file name, so that saving it cannot replace the original.";
}

// Whether Data begins as a diagram file does, with a version word below 256: a picture or a text
// file begins otherwise.
bool BeginsAsDiagram(io::Bytes data)
{
    return data.size() >= 2 && data[1] == 0;
}

enum class Result { Done, Incomplete, Failed };

// Reads Data into a fresh diagram, then hands it over to D: D never holds half a file.
Result Parse(TDiagram& d, const std::string& path, io::Bytes data, Reporter& say)
{
    if (data.size() == 0) {
        say.say("Cannot open " + path + ": the file is empty");
        return Result::Failed;
    }
    // What fails to read in a file of some other kind is no damage to speak of.
    const auto failed = [&](const std::string& damage) {
        say.say(BeginsAsDiagram(data) ? Damaged(path, damage) : NotADiagram(path));
        return Result::Failed;
    };
    TDiagram read;
    CurrentDiagramScope scope(&read); // objects destroyed on a failure clear their references there
    io::BinaryReader s(data);
    TreeReadState state;
    Result result = Result::Done;
    try {
        ReadHeader(read, s);
        // Any first marker but the end is followed by the root (the writer writes 0).
        const std::uint16_t first = s.readU16();
        if (first != mkEnd) {
            TObjet* root = read.ReadObject(s, state);
            if (!root) {
                say.say(BeginsAsDiagram(data) ? std::string(NotCompatibleMessage) : NotADiagram(path));
                return Result::Failed;
            }
            read.FRoot = root;
            read.FSelected = root;
            // Past the root, what cannot be read ends the reading and keeps what was read.
            try {
                while (read.ReadTreeStep(s, state)) { }
            } catch (const io::FormatError& e) {
                if (e.kind() == io::FormatError::Kind::Corrupt)
                    throw;
                if (e.kind() == io::FormatError::Kind::NotCompatible)
                    say.say(NotCompatibleMessage);
                say.say(ReadInPart(path, e.what()));
                result = Result::Incomplete;
            }
            if (state.notCompatible) {
                say.say(NotCompatibleMessage);
                say.say(ReadInPart(path, "unknown object kind or marker at byte " + std::to_string(state.notCompatibleAt)));
                result = Result::Incomplete;
            }
            read.FSelected = nullptr;
        }
    } catch (const io::FormatError& e) {
        if (e.kind() == io::FormatError::Kind::NotCompatible && BeginsAsDiagram(data))
            say.say(NotCompatibleMessage);
        return failed(e.what());
    } catch (const std::bad_alloc&) {
        return failed("not enough memory");
    } catch (const std::exception& e) {
        return failed(std::string(e.what()) + " near byte " + std::to_string(s.pos()));
    }
    lastReport.objects = state.objects;
    RegisterInWriteOrder(read);
    Adopt(d, read);
    return result;
}

bool Load(TDiagram& d, const std::string& name, const std::string& path, io::Bytes data, Reporter& say)
{
    const Result result = Parse(d, path, data, say);
    if (result == Result::Failed) {
        lastReport.outcome = FileReport::Outcome::Failed;
        d.FFileName.clear(); // a diagram left open by mistake must not save over the file
        return false;
    }
    if (result == Result::Incomplete) {
        lastReport.outcome = FileReport::Outcome::Incomplete;
        d.FFileName.clear();
    } else
        d.FFileName = name;
    Trace("Loaded");
    d.FModified = 0;
    d.FDisplayMode = dmEdit;
    d.SetZoom(0);
    return true;
}

// Appends Obj at the end of the sibling chain that holds From. Chains only grow at their end
// while a file is read, so the end each chain had last is where the walk to its end starts.
void AppendToChain(TObjet* from, TObjet* obj, TreeReadState& state)
{
    const auto head = state.chainHead.find(from);
    TObjet* first = head != state.chainHead.end() ? head->second : from;
    TObjet*& last = state.chainEnd[first];
    (last ? last : first)->AppendSibling(obj);
    last = obj;
    state.chainHead[obj] = first;
}

// Whether Obj is a position of a chain rather than a top-level object: the first object of its
// sibling chain is some object's next step.
bool IsStepOfChain(const TObjet* obj, const TreeReadState& state)
{
    const auto head = state.chainHead.find(obj);
    const TObjet* first = head != state.chainHead.end() ? head->second : obj;
    return first->Predecessor() != nullptr;
}

// The last object of the sibling chain that holds Obj: the one a record appended to it follows.
const TObjet* ChainLast(const TObjet* obj, const TreeReadState& state)
{
    const auto head = state.chainHead.find(obj);
    const TObjet* first = head != state.chainHead.end() ? head->second : obj;
    const auto end = state.chainEnd.find(first);
    const TObjet* last = end != state.chainEnd.end() && end->second ? end->second : first;
    while (last->FSibling)
        last = last->FSibling;
    return last;
}

// Takes every empty text out of the top-level chain, with an undo record for each.
void RemoveEmptyTexts(TDiagram& d)
{
    for (TObjet* o = d.FRoot; o;) {
        TObjet* next = o->FSibling;
        if (auto* text = dynamic_cast<TGenText*>(o); text && text->FText.empty())
            d.RemoveObject(o, false);
        o = next;
    }
}

} // namespace

void SetFileMessageHandler(FileMessageHandler handler)
{
    messageHandler = std::move(handler);
}

const FileReport& LastFileReport()
{
    return lastReport;
}

// ---------------------------------------------------------------------------------------------
// Reading

bool TDiagram::LoadFromFile(const std::string& name, bool showErrors)
{
    lastReport = {};
    Reporter say(showErrors);
    FFileName = name;
    Trace("Loading: " + name);
    std::string path = io::findExtensionVariant(name, DiagramExtension);
    if (path.empty())
        // A folder, say, named as a diagram: the reader says what it is, under its own name.
        for (const std::string& other : io::extensionVariants(name, DiagramExtension))
            if (QFileInfo::exists(QString::fromStdString(other))) {
                path = other;
                break;
            }
    lastReport.path = path.empty() ? name + DiagramExtension : path;
    auto fail = [&](const std::string& message) {
        say.say(message);
        lastReport.outcome = FileReport::Outcome::Failed;
        FFileName.clear();
        return false;
    };
    if (path.empty())
        return fail("Cannot open " + lastReport.path + ": the file does not exist");
    // Only a regular file: a named pipe or a device would block the window or never end.
    io::RegularFile file(path);
    if (!file.isOpen())
        return fail("Cannot open " + path + ": " + file.error());
    // Read up to a limit: the size a growing file reports says nothing.
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (!file.error().empty())
        return fail("Cannot open " + path + ": " + file.error());
    if (bytes.size() > MaxFileSize)
        return fail("Cannot open " + path + ": it is far too large for a diagram file");
    return Load(*this, name, path,
        io::Bytes(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())), say);
}

bool TDiagram::LoadFromBytes(const std::string& name, const std::uint8_t* data, std::size_t size, bool showErrors)
{
    lastReport = {};
    Reporter say(showErrors);
    FFileName = name;
    Trace("Loading: " + name);
    lastReport.path = name + DiagramExtension;
    return Load(*this, name, lastReport.path, io::Bytes(data, size), say);
}

TObjet* TDiagram::ReadObject(io::BinaryReader& s, TreeReadState& state)
{
    const std::size_t at = s.pos();
    const std::uint16_t kind = s.readU16();
    if (DebugMode)
        Trace("--> Genre: " + std::to_string(std::int16_t(kind)));
    std::unique_ptr<TObjet> obj = LoadObject(kind, s, LoadContext { this, state.nextOf });
    if (!obj) {
        state.notCompatible = true;
        state.notCompatibleAt = at;
        FSelected = nullptr;
        return nullptr;
    }
    if (DebugMode)
        TraceLine(ClassNameOf(*obj) + " " + std::to_string(obj->FX) + " " + std::to_string(obj->FY));
    ++state.objects;
    return obj.release();
}

bool TDiagram::ReadTreeStep(io::BinaryReader& s, TreeReadState& state)
{
    // Closing markers are consumed in a loop: a long run of them costs no call depth.
    for (;;) {
        const std::size_t at = s.pos();
        const std::uint16_t marker = s.readU16();
        switch (marker) {
        case mkSibling:
        case mkNext: {
            // A closing marker climbed past the root: there is nothing to attach the record to.
            if (!FSelected) {
                state.notCompatible = true;
                state.notCompatibleAt = at;
                return false;
            }
            // A next step, or a further next step (a sibling of a step of a chain), is a later
            // position of the object it comes to follow: a racing boat after a racing boat is the
            // same boat. A further next step follows the last step of the chain it joins, however
            // the file frames it (a second next step, or a sibling of the first, as written).
            if (marker == mkNext)
                state.nextOf = FSelected->FNext ? ChainLast(FSelected->FNext, state) : FSelected;
            else
                state.nextOf = IsStepOfChain(FSelected, state) ? ChainLast(FSelected, state) : nullptr;
            TObjet* obj = ReadObject(s, state);
            state.nextOf = nullptr;
            if (!obj)
                return false;
            if (marker == mkSibling) {
                if (DebugMode)
                    Trace("Inserer frere " + ClassNameOf(*obj));
                AppendToChain(FSelected, obj, state);
            } else {
                if (DebugMode)
                    Trace("Inserer fils " + ClassNameOf(*obj));
                if (FSelected->FNext)
                    AppendToChain(FSelected->FNext, obj, state); // a further next step
                else
                    FSelected->AddNext(obj);
            }
            FSelected = obj;
            return true;
        }
        case mkSiblingEnd:
        case mkNextEnd:
            // Either one moves the cursor back along FPrev, whichever bracket it closes. A second
            // one after the cursor has left the root has nowhere to go.
            if (!FSelected) {
                state.notCompatible = true;
                state.notCompatibleAt = at;
                return false;
            }
            FSelected = FSelected->FPrev;
            Trace("Reculer");
            continue;
        case mkEnd:
            return false;
        default:
            state.notCompatible = true;
            state.notCompatibleAt = at;
            return false;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Writing

void TDiagram::SaveTree(TObjet* obj, io::BinaryWriter& s)
{
    if (obj)
        zov::SaveTree(*obj, s);
}

void TDiagram::SaveToStream(io::BinaryWriter& s)
{
    FileVersion = 10;
    s.writeI16(10);
    s.writeI16(FHeader.SituationType);
    WriteField(s, FHeader.Rules);
    WriteField(s, FHeader.Reserved);
    WriteField(s, FHeader.CaseCall);
    WriteField(s, FHeader.Author);
    WriteField(s, FHeader.Description);
    WriteField(s, FHeader.Date);
    WriteField(s, FEmail);
    s.writeU8(FHideNumbers);
    s.writeI16(FReserved1);
    s.writeI16(FReserved2);
    s.writeI16(FReserved3);
    s.writeU16(static_cast<std::uint16_t>(FWind));
    s.writeI16(FShowLaylines);
    s.writeI16(FLaylineAngle);
    // The count as read, also a negative one; as many entries as a positive count names.
    s.writeI16(FExtraCount);
    for (std::int16_t i = 0; i < FExtraCount; ++i)
        s.writeI32(std::size_t(i) < FExtra.size() ? FExtra[std::size_t(i)] : 0);
    s.writeI16(FShowGrid);
    s.writeI16(FReserved4);
    s.writeI16(FReserved5);
    s.writeI16(FReserved6);
    s.writeI16(FDefaultRayon);
    s.writeI16(FReserved7);
    if (FRoot) {
        // Room for the usual records at once: a large diagram's buffer would else be copied
        // again and again as it grows. The count stops at a bound, whatever the links.
        constexpr std::size_t UsualRecordBytes = 80, MaxCounted = 1 << 20;
        std::size_t objects = 0;
        for (TObjet* o = FRoot; o && objects < MaxCounted; o = o->NextInWalk())
            ++objects;
        s.reserve(s.size() + objects * UsualRecordBytes);
        s.writeU16(mkSibling);
        SaveTree(FRoot, s);
    }
    s.writeU16(mkEnd);
}

bool TDiagram::SaveToFile()
{
    lastReport = {};
    Reporter say(true);
    auto fail = [&](const std::string& message) {
        say.say(message);
        lastReport.outcome = FileReport::Outcome::Failed;
        return false;
    };
    SetField(FHeader.Date, QDate::currentDate().toString(ShortDateFormat()).toStdString().substr(0, 14));
    SetField(FHeader.Author, UserLoginName());
    if (FFileName.empty())
        return fail("Cannot save the diagram: it has no file name");
    const std::string path = io::saveExtensionVariant(FFileName, DiagramExtension);
    lastReport.path = path;
    // Written beside the target and put in its place only once complete: a failure at any
    // point (a full disk among them) leaves the former file as it was, and says why.
    io::ReplacingFile file(path);
    if (!file.isOpen()) {
        Repaint();
        return fail("Cannot save " + path + ": " + file.error());
    }
    RemoveEmptyTexts(*this);
    io::BinaryWriter w;
    try {
        w.reserve(4096);
        SaveToStream(w);
    } catch (const std::exception& e) {
        file.cancel();
        return fail("Cannot save " + path + ": " + e.what() + ". The file was left as it was.");
    }
    const io::Bytes bytes = w.data();
    if (!file.write(bytes.data(), bytes.size()) || !file.commit())
        return fail("Cannot save " + path + ": " + file.error() + ". The file was left as it was.");
    FModified = 0;
    return true;
}

} // namespace zov
