#include "model/Records.h"

#include "model/Courbe.h"
#include "model/DiagramLink.h"
#include "model/Settings.h"
#include "plat/img/Codecs.h"
#include "plat/img/ImageExtent.h"
#include "plat/io/TextFile.h"
#include "plat/rt/Numeric.h"
#include "plat/sys/Trace.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace zov {

std::array<std::uint8_t, 45> TextReservedBlock {};

namespace {

using io::FormatError;

std::string Hex8(std::uint32_t v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", v);
    return buf;
}

// A heading brought into -180..180. Values the writer produces need one correction at most;
// anything further out is folded modulo 360 first.
template <typename Real> Real Normalised(Real h)
{
    if (h < Real(-540) || h > Real(540))
        h = std::fmod(h, Real(360)) + Real(0); // whole turns make heading 0, not -0
    if (h < Real(-180))
        h += Real(360);
    if (h > Real(180))
        h -= Real(360);
    return h;
}

// A heading read from the file: 90 - stored, normalised. A stored value the writer never makes
// (outside -90..270) gives the heading a save writes and a read gives back, so that a save and a
// new read change nothing; any other reads as it always did.
float HeadingFromFile(float stored)
{
    const float heading = Normalised<float>(90.0f - stored);
    return Normalised<float>(90.0f - (90.0f - heading));
}

// The base record from offset 2 (the kind word is read already), for the version in FileVersion.
// StoredHeading receives the heading word as it stands in the file.
void LoadBase(TObjet& o, io::BinaryReader& s, float* storedHeading = nullptr)
{
    o.FExtension = s.readI16();
    o.FReserved = s.readI16();
    const std::uint16_t step = s.readU16();
    o.FSituation = step;
    if (o.FGenre != gRacingBoat && o.FGenre != gJudge && o.FGenre != gWingJudge)
        // A background picture is written with step -1 in 16 bits: keep it a background.
        o.FSituation = (o.FGenre == gPicture && step == 65535) ? -1 : 0;
    o.FX = s.readI16();
    // In 32 bits: every Y the writer accepts reads back, also those near the i16 limits.
    o.FY = 200 - std::int32_t(s.readI16());
    o.FSize = s.readFiniteF32();
    const float heading = s.readFiniteF32();
    if (storedHeading)
        *storedHeading = heading;
    o.FHeading = HeadingFromFile(heading);
    std::uint32_t color = s.readU32();
    bool haveColor = false;
    if (FileVersion > 8) {
        if (color & 0x80000000u) {
            s.seek(s.pos() - 4);
            s.fail(FormatError::Kind::Corrupt, "colour word " + Hex8(color) + " with its top bit set");
        }
        haveColor = true;
    }
    o.FCourbe = LoadCourbe(s);
    o.FTrackVisible = o.FCourbe->FVisibility != 1.0f;
    o.FFlags = s.readU16();
    o.FRayonOutline = s.readI16();
    if (FileVersion == 8) {
        color = s.readU32();
        haveColor = true;
    }
    if (haveColor)
        o.FColor = ColorRefToArgb(color);
    if (DebugMode)
        Trace("Color: " + Hex8(o.FColor) + " Angle: " + std::to_string(rt::Round(o.FHeading)));
    o.FBounds = { o.FX - 10, o.FY - 10, 20, 20 };
    o.FCanRotate = o.FGenre != gFlag;
}

// StoredHeading is the heading word as the file holds it.
void SaveBase(const TObjet& o, float storedHeading, io::BinaryWriter& s)
{
    s.writeI16(o.FExtension);
    s.writeI16(o.FReserved);
    s.writeU16(static_cast<std::uint16_t>(o.FSituation));
    if (o.FX < -32768 || o.FX > 32767)
        throw rt::RangeError("X " + std::to_string(o.FX) + " is outside the file's range -32768..32767");
    s.writeI16(static_cast<std::int16_t>(o.FX));
    const std::int64_t y = 200 - std::int64_t(o.FY);
    if (y < -32768 || y > 32767)
        throw rt::RangeError("Y " + std::to_string(o.FY) + " is outside the file's range -32567..32968");
    s.writeI16(static_cast<std::int16_t>(y));
    s.writeF32(o.FSize);
    s.writeF32(storedHeading);
    s.writeU32(ArgbToColorRef(o.FColor));
    TCourbe courbe;
    if (o.FCourbe)
        courbe = *o.FCourbe;
    // The file carries the track's visibility in the curve.
    courbe.FVisibility = o.FTrackVisible ? 0.5f : 1.0f;
    if (o.FCourbe)
        o.FCourbe->FVisibility = courbe.FVisibility;
    SaveCourbe(courbe, s);
    s.writeU16(o.FFlags);
    s.writeI16(o.FRayonOutline);
}

// A blank object of the class that Kind names, not registered with any diagram.
std::unique_ptr<TObjet> NewBlank(std::uint16_t kind)
{
    CurrentDiagramScope none(nullptr);
    const TPoint at { 0, 0 };
    switch (kind) {
    case gRacingBoat:
        return std::make_unique<TBateauCourse>(at, 0.0f, 0.0f, 0, 0);
    case gCommittee:
        return std::make_unique<TBateauComite>(at, 0.0f, 0.0f);
    case gMark:
        return std::make_unique<TBouee>(at, 0, 0.0f);
    case gArrow:
        return std::make_unique<TFleche>(at, 0.0f, 0.0f);
    case gRemark:
        return std::make_unique<TRemarque>(at, 0.0f, 0.0f);
    case gSpectator:
        return std::make_unique<TSpectateur>(at, 0.0f, 0.0f);
    case gJudge:
        return std::make_unique<TBateauJuge>(at, 0.0f, 0.0f);
    case gWingJudge:
        return std::make_unique<TBateauWJ>(at, 0.0f, 0.0f);
    case gBalloon:
        return std::make_unique<TBulle>(at, 0.0f, 0.0f);
    case gLine:
        return std::make_unique<TLigne>(at, 0.0f, 0.0f);
    case gFactsFound:
    case gDecision:
    case gComments:
    case gSummary:
        return std::make_unique<TGenText>(at, 0.0f, 0.0f);
    case gFlag:
        return std::make_unique<TDrapeau>(at, 0, 0.0f);
    case gPicture:
        return std::make_unique<TPerso>(at, 0.0f, nullptr, false);
    case gCurvedArrow:
        return std::make_unique<TCurve>(at, 0.0f, 0.0f, 0.0f, 0);
    default:
        return nullptr;
    }
}

// "Racing boat at (40000, 10), step 2": names an object in a message.
std::string Describe(const TObjet& o)
{
    std::string name = o.KindName();
    if (name.empty())
        name = "Object of kind " + std::to_string(int(o.FGenre));
    name += " at (" + std::to_string(o.FX) + ", " + std::to_string(o.FY) + ")";
    if (o.FSituation > 0)
        name += ", step " + std::to_string(o.FSituation);
    return name;
}

void SaveRecord(TObjet& o, io::BinaryWriter& s)
{
    try {
        o.Save(s);
    } catch (const rt::RangeError& e) {
        throw rt::RangeError(Describe(o) + ": " + e.what());
    } catch (const rt::AssertionFailure&) {
        throw;
    } catch (const std::exception& e) {
        throw rt::Error(Describe(o) + ": " + e.what());
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Tracks and kinds

std::unique_ptr<TCourbe> LoadCourbe(io::BinaryReader& s)
{
    auto c = std::make_unique<TCourbe>();
    c->FParamA = s.readFiniteF32();
    c->FParamB = s.readFiniteF32();
    c->FStartAngle = 90.0f - s.readFiniteF32();
    c->FVisibility = s.readFiniteF32();
    c->FParamC = s.readFiniteF32();
    c->FParamD = s.readFiniteF32();
    c->FEndAngle = 90.0f - s.readFiniteF32();
    c->FParamE = s.readFiniteF32();
    c->FParamF = s.readFiniteF32();
    c->FParamG = s.readFiniteF32();
    c->FParamH = s.readFiniteF32();
    return c;
}

void SaveCourbe(const TCourbe& c, io::BinaryWriter& s)
{
    s.writeF32(c.FParamA);
    s.writeF32(c.FParamB);
    s.writeF32(90.0f - c.FStartAngle);
    s.writeF32(c.FVisibility);
    s.writeF32(c.FParamC);
    s.writeF32(c.FParamD);
    s.writeF32(90.0f - c.FEndAngle);
    s.writeF32(c.FParamE);
    s.writeF32(c.FParamF);
    s.writeF32(c.FParamG);
    s.writeF32(c.FParamH);
}

bool IsKnownKind(std::uint16_t kind)
{
    return kind == 0 || (kind >= 3 && kind <= 18);
}

std::string ClassNameOf(const TObjet& o)
{
    if (dynamic_cast<const TBateauCourse*>(&o))
        return "TBateauCourse";
    if (dynamic_cast<const TBateauJuge*>(&o))
        return "TBateauJuge";
    if (dynamic_cast<const TBateauWJ*>(&o))
        return "TBateauWJ";
    if (dynamic_cast<const TBateauComite*>(&o))
        return "TBateauComite";
    if (dynamic_cast<const TBouee*>(&o))
        return "TBouee";
    if (dynamic_cast<const TSpectateur*>(&o))
        return "TSpectateur";
    if (dynamic_cast<const TFleche*>(&o))
        return "TFleche";
    if (dynamic_cast<const TCurve*>(&o))
        return "TCurve";
    if (dynamic_cast<const TLigne*>(&o))
        return "TLigne";
    if (dynamic_cast<const TDrapeau*>(&o))
        return "TDrapeau";
    if (dynamic_cast<const TPerso*>(&o))
        return "TPerso";
    if (dynamic_cast<const TBulle*>(&o))
        return "TBulle";
    if (dynamic_cast<const TRemarque*>(&o))
        return "TRemarque";
    if (dynamic_cast<const TGenText*>(&o))
        return "TGenText";
    return "TObjet";
}

std::unique_ptr<TObjet> LoadObject(std::uint16_t kind, io::BinaryReader& s, const LoadContext& ctx)
{
    if (!IsKnownKind(kind))
        return nullptr;
    std::unique_ptr<TObjet> o = NewBlank(kind);
    // A record cut short leaves the boats numbered as they were: its boat is not kept.
    const std::int32_t boats = ctx.diagram ? ctx.diagram->FBoatCount : 0;
    try {
        o->Load(s, ctx);
    } catch (...) {
        if (ctx.diagram)
            ctx.diagram->FBoatCount = boats;
        throw;
    }
    if (kind >= gFactsFound && kind <= gSummary)
        o->FGenre = static_cast<TGenre>(kind);
    // Registered only once the whole record is read: a record cut short leaves no reference behind.
    if (ctx.diagram) {
        if (o->FGenre == gCommittee)
            ctx.diagram->FCommittee = o.get(); // the last one read wins
        if (o->FGenre == gMark && !ctx.diagram->FFirstMark)
            ctx.diagram->FFirstMark = o.get();
    }
    return o;
}

// ---------------------------------------------------------------------------------------------
// Readers

void TObjet::Load(io::BinaryReader& s, const LoadContext&)
{
    LoadBase(*this, s);
}

void TBateauCourse::Load(io::BinaryReader& s, const LoadContext& ctx)
{
    LoadBase(*this, s);
    // A later position of a chain (a next step or a further next step) keeps its boat's number;
    // anything else is a new boat. Where the record stands decides, not its step number: a stray
    // step number cannot borrow the number of whatever was read before it, and a next step
    // numbered 1 (after a hidden first position) is still the same boat.
    const auto* previous = dynamic_cast<const TBateauCourse*>(ctx.previousStep);
    std::int32_t index = 0;
    if (previous)
        index = previous->FBoatIndex;
    else if (ctx.diagram)
        index = ++ctx.diagram->FBoatCount;
    FBoatIndex = rt::checked<std::int16_t>(index);
    FHull = s.readI16();
    FRatio = s.readI16();
    FManualTrimming = s.readI16();
    FReserved1 = s.readI16();
    FReserved2 = s.readI16();
    FReglage = s.readI16();
    if (FileVersion < 5)
        FColor = ColorForIndex(FBoatIndex);
    else if (FileVersion <= 7)
        FColor = ColorRefToArgb(s.readU32());
    if (FExtension >= 1) {
        FSpinnaker = s.readU8();
        FAsymetric = s.readU8();
        FTwinHull = s.readU8();
    }
}

void TBouee::Load(io::BinaryReader& s, const LoadContext&)
{
    // The class's own colour, not the one the mark constructor picks: files before version 8
    // store none, and their marks have always shown in it.
    FColor = 0xFFFF0000u;
    LoadBase(*this, s);
    const std::uint16_t type = s.readU16();
    FMarkType = rt::checked<std::uint8_t>(type == 1 || type == 2 ? 3 : type);
    FSituation = 0;
}

void TCurve::Load(io::BinaryReader& s, const LoadContext&)
{
    LoadBase(*this, s);
    FArcAngle = s.readFiniteF32();
    FDirection = s.readU8();
}

void TPerso::Load(io::BinaryReader& s, const LoadContext&)
{
    LoadBase(*this, s);
    // A picture has no colour: the word written for none (black) reads back as none.
    if (FColor == 0xFF000000u)
        FColor = 0;
    const std::size_t typeAt = s.pos();
    const std::uint8_t code = s.readU8();
    const auto type = img::imageTypeFromCode(code);
    if (!type) {
        s.seek(typeAt);
        s.fail(FormatError::Kind::NotCompatible, "picture of unknown type " + std::to_string(code));
    }
    Trace("Loading image type " + std::to_string(code));
    // The record has no length: the image's own structure says where it ends. Only those bytes
    // are decoded, so a picture never holds on to the rest of the file.
    const std::size_t start = s.pos();
    std::size_t end = 0;
    try {
        end = img::imageExtent(*type, s.data(), start);
    } catch (const img::ImageError& e) {
        if (e.kind() == img::ImageError::Kind::Truncated && *type == img::ImageType::Jpeg)
            end = s.size(); // no end marker: the picture runs to the end of the data
        else
            s.fail(e.kind() == img::ImageError::Kind::Truncated ? FormatError::Kind::Truncated
                                                                : FormatError::Kind::Corrupt,
                e.what());
    }
    QImage image;
    try {
        image = img::decodeImage(s.data().subspan(start, end - start));
    } catch (const img::ImageError& e) {
        s.fail(e.kind() == img::ImageError::Kind::Truncated ? FormatError::Kind::Truncated : FormatError::Kind::Corrupt,
            e.what());
    }
    if (image.isNull())
        s.fail(FormatError::Kind::Corrupt, "damaged picture");
    Trace("Image loaded");
    s.seek(end);
    FBitmap = std::make_unique<gfx::Bitmap>(std::move(image));
    FBounds = { FX, FY, rt::RoundI32(double(FBitmap->width()) * FSize),
        rt::RoundI32(double(FBitmap->height()) * FSize) };
    Trace("--> " + std::to_string(FBitmap->width()) + " " + std::to_string(FBitmap->height()));
}

void TGenText::Load(io::BinaryReader& s, const LoadContext&)
{
    s.readU16(); // the kind word again
    const std::size_t lengthAt = s.pos();
    const std::int16_t n = s.readI16();
    if (n < 0) {
        s.seek(lengthAt);
        s.fail(FormatError::Kind::Corrupt, "text of negative length " + std::to_string(n));
    }
    const io::Bytes text = s.readBytes(std::size_t(n) + 1); // the text and its terminating zero
    s.readInto(TextReservedBlock.data(), TextReservedBlock.size());
    const std::uint32_t fontColor = s.readU32();
    std::string value(reinterpret_cast<const char*>(text.data()), std::size_t(n));
    if (DebugMode)
        Trace("Font color: " + Hex8(fontColor) + " " + value);
    FFontColor = ColorRefToArgb(fontColor);
    const std::uint8_t style = s.readU8();
    float storedHeading = 0;
    LoadBase(*this, s, &storedHeading);
    // Old files stored no fill, which reads as black.
    if (FColor == 0xFF000000u)
        FColor = 0xFFFFFFFFu;
    // The file holds the heading with the opposite sign: the base heading less 90, worked out
    // in double so that the heading comes back exactly as it was written.
    FHeading = static_cast<float>(Normalised<double>(90.0 - double(storedHeading)) - 90.0);
    FText = std::move(value);
    FFontSize = 12;
    if (FileVersion >= 7) {
        const std::uint8_t nameLength = s.readU8();
        const io::Bytes name = s.readBytes(nameLength);
        FFontName.assign(reinterpret_cast<const char*>(name.data()), name.size());
        s.readU16();
        s.readU16();
        FFontSize = s.readI16();
        if (FileVersion >= 10)
            FFontStyle |= style & (gfx::FontBold | gfx::FontItalic | gfx::FontUnderline);
        FFont = gfx::Font(FFontName, float(FFontSize), FFontStyle);
    } else {
        FFontName = "Arial";
        FFont = DefaultFont;
    }
    FSituation = 0;
    FCanRotate = 1;
}

void TRemarque::Load(io::BinaryReader& s, const LoadContext& ctx)
{
    TGenText::Load(s, ctx);
    if (FileVersion >= 6)
        FFrame = s.readU8();
}

// ---------------------------------------------------------------------------------------------
// Writers (always version 10)

void TObjet::Save(io::BinaryWriter& s)
{
    s.writeU16(FGenre);
    SaveBase(*this, 90.0f - FHeading, s);
}

void TBateauCourse::Save(io::BinaryWriter& s)
{
    if (FSpinnaker || FTwinHull)
        FExtension = 1;
    TObjet::Save(s);
    s.writeI16(FHull);
    s.writeI16(FRatio);
    s.writeI16(FManualTrimming);
    s.writeI16(FReserved1);
    s.writeI16(FReserved2);
    s.writeI16(FReglage);
    if (FExtension >= 1) {
        s.writeU8(FSpinnaker);
        s.writeU8(FAsymetric);
        s.writeU8(FTwinHull);
    }
}

void TBouee::Save(io::BinaryWriter& s)
{
    TObjet::Save(s);
    s.writeU16(FMarkType);
}

void TCurve::Save(io::BinaryWriter& s)
{
    TObjet::Save(s);
    s.writeF32(FArcAngle);
    s.writeU8(FDirection);
}

void TPerso::Save(io::BinaryWriter& s)
{
    if (!FBitmap || FBitmap->isNull())
        throw rt::Error("the picture has no image to write");
    // Encoded before anything of the record is written, so a failure leaves no half record.
    const QByteArray gif = img::encodeImage(FBitmap->image(), "image/gif");
    TObjet::Save(s);
    s.writeU8(std::uint8_t(img::ImageType::Gif));
    s.writeBytes(gif.constData(), std::size_t(gif.size()));
}

void TGenText::Save(io::BinaryWriter& s)
{
    if (FText.size() > 32767)
        throw rt::RangeError("text of " + std::to_string(FText.size()) + " bytes, longer than the 32767 a file holds");
    if (FFontName.size() > 255)
        throw rt::RangeError("font name longer than 255 characters");
    const std::int16_t fontSize = rt::checked<std::int16_t>(FFontSize);
    s.writeU16(FGenre);
    s.writeU16(FGenre);
    s.writeI16(static_cast<std::int16_t>(FText.size()));
    s.writeBytes(FText.data(), FText.size());
    s.writeU8(0);
    s.writeBytes(TextReservedBlock.data(), TextReservedBlock.size());
    s.writeU32(ArgbToColorRef(FFontColor));
    s.writeU8(static_cast<std::uint8_t>(FFontStyle & (gfx::FontBold | gfx::FontItalic | gfx::FontUnderline)));
    // The embedded base record holds the heading with the opposite sign, 90 - (heading + 90),
    // worked out in double so that it is exact; the object's own heading is left as it is.
    SaveBase(*this, static_cast<float>(90.0 - (double(FHeading) + 90.0)), s);
    s.writeU8(static_cast<std::uint8_t>(FFontName.size()));
    s.writeBytes(FFontName.data(), FFontName.size());
    s.writeU16(0);
    s.writeU16(0);
    s.writeI16(fontSize);
}

void TRemarque::Save(io::BinaryWriter& s)
{
    TGenText::Save(s);
    s.writeU8(FFrame);
}

// ---------------------------------------------------------------------------------------------
// Tree and XML

void SaveTree(TObjet& root, io::BinaryWriter& s)
{
    // The order of the recursive definition: record; 0, sibling subtree, 1; 2, next subtree, 3.
    struct Frame {
        TObjet* obj;
        int stage; // 0: record and sibling, 1: close sibling and next, 2: close next
    };
    std::vector<Frame> stack { { &root, 0 } };
    // A forest holds no cycle, so the walk keeps no set of the objects written. Were the links
    // ever to loop, the records would repeat for ever: the object met at each power of two of
    // records written is kept (Brent's method), and meeting it again within as many records
    // stops the save instead, whatever the length of the loop.
    const TObjet* kept = nullptr;
    std::size_t written = 0, nextKeep = 1;
    while (!stack.empty()) {
        TObjet* o = stack.back().obj;
        switch (stack.back().stage) {
        case 0:
            if (o == kept)
                rt::assertFail("Object reached twice while saving", "Rules2", __LINE__);
            if (++written == nextKeep) {
                kept = o;
                nextKeep *= 2;
            }
            SaveRecord(*o, s);
            stack.back().stage = 1;
            if (o->FSibling) {
                s.writeU16(mkSibling);
                stack.push_back({ o->FSibling, 0 });
            }
            break;
        case 1:
            if (o->FSibling)
                s.writeU16(mkSiblingEnd);
            stack.back().stage = 2;
            if (o->FNext) {
                s.writeU16(mkNext);
                stack.push_back({ o->FNext, 0 });
            }
            break;
        default:
            if (o->FNext)
                s.writeU16(mkNextEnd);
            stack.pop_back();
            break;
        }
    }
}

void WriteXMLElement(io::TextFile& f, std::string_view name, std::int64_t value)
{
    std::string line(9, ' ');
    line += '<';
    line += name;
    line += '>';
    line += std::to_string(value);
    line += "</";
    line += name;
    line += '>';
    f.writeLine(line);
}

void TObjet::SaveXML(io::TextFile& f) const
{
    if (!std::isfinite(FHeading) || std::fabs(FHeading) > 2147483647.0f)
        throw rt::RangeError("Heading " + std::to_string(FHeading) + " cannot be written");
    WriteXMLElement(f, "Situation", FSituation);
    WriteXMLElement(f, "X", FX);
    WriteXMLElement(f, "Y", 200 - std::int64_t(FY));
    WriteXMLElement(f, "Heading", 90 - std::int64_t(std::trunc(FHeading)));
    // The ARGB value as an unsigned number: opaque colours are above 2^31.
    WriteXMLElement(f, "Color", std::int64_t(FColor));
}

} // namespace zov
