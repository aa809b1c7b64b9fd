#include "shell/About.h"

#include "plat_ui/DialogHost.h"
#include "shell/Startup.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QTimerEvent>

namespace zov {

QIcon ProgramIcon()
{
    QIcon icon;
    for (const int size : { 16, 32, 48, 64 }) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1E, 0x5A, 0xA8));
        p.drawEllipse(QRectF(1, 1, 30, 30));
        QPainterPath sail;
        sail.moveTo(16, 5);
        sail.lineTo(16, 23);
        sail.lineTo(7, 23);
        sail.closeSubpath();
        sail.moveTo(18, 8);
        sail.lineTo(25, 23);
        sail.lineTo(18, 23);
        sail.closeSubpath();
        p.setBrush(Qt::white);
        p.drawPath(sail);
        p.setBrush(QColor(0xF0, 0xC0, 0x20));
        p.drawRect(QRectF(8, 24, 18, 3));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

TAbout::TAbout(QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("About Zovaran"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(366, 220);

    Image1 = new QLabel(this);
    Image1->setGeometry(20, 24, 32, 32);
    Image1->setPixmap(ProgramIcon().pixmap(32, 32));

    Label1 = new QLabel(QStringLiteral("Zovaran  Version "), this);
    Label1->move(72, 16);
    Label1->adjustSize();

    VersionLabel = new QLabel(this);
    VersionLabel->move(242, 16);

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setGeometry(17, 180, 100, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void TAbout::FormShow()
{
    VersionLabel->setText(zov::VersionLabel);
    VersionLabel->adjustSize();
}

void TAbout::Button1Click()
{
    done(QDialog::Accepted);
}

void TAbout::showEvent(QShowEvent* event)
{
    FormShow();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

StartupTimer::StartupTimer(int intervalMs, QObject* parent)
    : QObject(parent)
{
    m_timer.start(intervalMs, this);
}

void StartupTimer::ShowAbout(TAbout& about)
{
    if (m_ticked)
        return; // the tick already came: the box would close at once
    m_about = &about;
    ui::Dialogs().Exec(about);
    m_about = nullptr;
}

void StartupTimer::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timer.timerId())
        tick();
    else
        QObject::timerEvent(event);
}

void StartupTimer::tick()
{
    m_timer.stop();
    m_ticked = true;
    if (m_about && m_about->isVisible())
        m_about->done(QDialog::Accepted);
}

} // namespace zov
