#pragma once
// The display of errors that no handler caught: one line with the text up to its first period and
// where the error was raised, and the program goes on.

#include <QApplication>
#include <QString>

#include <cstdint>
#include <exception>

namespace zov {

// Address relative to the load address of the program image (or library) that holds it; 0 stays 0.
std::uint32_t ImageRelativeAddress(std::uintptr_t address);
// Eight upper-case hexadecimal digits, most significant byte first.
QString AddressToHex(std::uint32_t value);
// Two upper-case hexadecimal digits, high half-byte first.
QString ByteToHex(std::uint8_t value);

// Message cut to 255 characters and then before its first ".", " encountered at ", the address.
QString ExceptionDisplayText(const QString& message, std::uint32_t relativeAddress);
// The code address Error was raised at when it carries one, else 0.
std::uintptr_t ExceptionAddress(const std::exception& error);

// Shows Error in a box captioned with the application title; the program goes on. While a box is
// up, the same error raised again (a repaint or a tick under the box) is not shown a second time.
void DisplayException(const std::exception& error);
void DisplayException(const QString& message, std::uintptr_t address);

// At process end, for an error nothing caught: the raw address, a blank and the whole message.
void ShowPendingException(const std::exception& error);

// The application object: an error escaping an event handler goes to DisplayException.
class ZovApplication : public QApplication {
public:
    ZovApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace zov
