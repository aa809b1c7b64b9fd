#include "shell/ErrorDisplay.h"

#include "plat/rt/Errors.h"
#include "plat/sys/Trace.h"
#include "plat_ui/DialogHost.h"

#include <QStringList>

#include <dlfcn.h>

namespace zov {

namespace {
const char HexDigits[] = "0123456789ABCDEF";
QStringList textsShowing; // of the error boxes open, outermost first
} // namespace

std::uint32_t ImageRelativeAddress(std::uintptr_t address)
{
    if (address == 0)
        return 0;
    Dl_info info {};
    if (dladdr(reinterpret_cast<void*>(address), &info) != 0 && info.dli_fbase)
        return std::uint32_t(address - reinterpret_cast<std::uintptr_t>(info.dli_fbase));
    return std::uint32_t(address);
}

QString ByteToHex(std::uint8_t value)
{
    QString s(2, u'0');
    s[0] = QLatin1Char(HexDigits[value >> 4]);
    s[1] = QLatin1Char(HexDigits[value & 0x0F]);
    return s;
}

QString AddressToHex(std::uint32_t value)
{
    return ByteToHex(std::uint8_t(value >> 24)) + ByteToHex(std::uint8_t(value >> 16))
        + ByteToHex(std::uint8_t(value >> 8)) + ByteToHex(std::uint8_t(value));
}

QString ExceptionDisplayText(const QString& message, std::uint32_t relativeAddress)
{
    QString text = message.left(255);
    const qsizetype period = text.indexOf(u'.');
    if (period >= 0)
        text.truncate(period);
    return text + QStringLiteral(" encountered at ") + AddressToHex(relativeAddress);
}

std::uintptr_t ExceptionAddress(const std::exception& error)
{
    // Only the program's own errors know where they were made.
    if (const auto* own = dynamic_cast<const rt::Error*>(&error))
        return own->where();
    return 0;
}

void DisplayException(const std::exception& error)
{
    DisplayException(QString::fromUtf8(error.what()), ExceptionAddress(error));
}

void DisplayException(const QString& message, std::uintptr_t address)
{
    const QString text = ExceptionDisplayText(message, ImageRelativeAddress(address));
    if (textsShowing.contains(text))
        return; // raised again by a repaint or a tick under its own box: one box is enough
    try {
        Trace("Exception: " + message.toStdString());
    } catch (...) {
        // The trace failing must not hide the error being shown.
    }
    textsShowing.append(text);
    struct Pop {
        ~Pop() { textsShowing.removeLast(); }
    } pop;
    ui::Dialogs().Message(nullptr, QMessageBox::Critical, ui::ApplicationTitle(), text, QMessageBox::Ok,
        QMessageBox::Ok);
}

void ShowPendingException(const std::exception& error)
{
    const auto raw = std::uint32_t(ExceptionAddress(error));
    ui::Dialogs().Message(nullptr, QMessageBox::Critical, ui::ApplicationTitle(),
        AddressToHex(raw) + u' ' + QString::fromUtf8(error.what()), QMessageBox::Ok, QMessageBox::Ok);
}

ZovApplication::ZovApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool ZovApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        DisplayException(error);
    } catch (...) {
        DisplayException(QStringLiteral("Unknown exception"), 0);
    }
    return false;
}

} // namespace zov
