#include "shell/UpdateDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace zov {

TZovUpdate::TZovUpdate(QWidget* parent)
    : QDialog(parent)
    , LabelVers(new QLabel(this))
    , Label2(new QLabel(QStringLiteral("Changes from your version are:"), this))
    , Memo1(new QPlainTextEdit(this))
    , Label3(new QLabel(QStringLiteral("Do you want to install new version ?"), this))
    , Button1(new QPushButton(QStringLiteral("&Yes"), this))
    , Button2(new QPushButton(QStringLiteral("&No"), this))
{
    setWindowTitle(QStringLiteral("ZOV Update"));
    // A dialog border without the system menu.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(460, 356);
    // What the host sends is shown as text, never interpreted as markup.
    LabelVers->setTextFormat(Qt::PlainText);
    Memo1->setReadOnly(true);
    Memo1->setFixedSize(393, 161);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelVers);
    layout->addWidget(Label2);
    layout->addWidget(Memo1, 0, Qt::AlignHCenter);
    layout->addWidget(Label3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addStretch();
    layout->addLayout(buttons);
}

bool TZovUpdate::FormShow(const QString& versionText)
{
    QStringList lines = versionText.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the end of the last line, not a line of its own
    if (lines.isEmpty()) {
        setResult(QDialog::Rejected);
        return false;
    }
    const QString label = lines.takeFirst().left(8);
    Memo1->setPlainText(lines.isEmpty() ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    LabelVers->setText(QStringLiteral("Version %1 is available.").arg(label));
    return true;
}

} // namespace zov
