#pragma once
// A dialog host that answers at once and remembers what it was asked, installed for one scope.

#include "plat_ui/DialogHost.h"

#include <QByteArray>
#include <QDialog>
#include <QStringList>

#include <functional>

class FakeDialogHost : public zov::ui::DialogHost {
public:
    FakeDialogHost() { m_before = zov::ui::SetDialogHost(this); }
    ~FakeDialogHost() override { zov::ui::SetDialogHost(m_before); }

    QMessageBox::StandardButton Message(QWidget*, QMessageBox::Icon, const QString& caption, const QString& text,
        QMessageBox::StandardButtons, QMessageBox::StandardButton defaultButton) override
    {
        captions << caption;
        texts << text;
        if (onMessage)
            onMessage(text);
        return answer != QMessageBox::NoButton ? answer : defaultButton;
    }

    int Exec(QDialog& dialog) override
    {
        dialogs << dialog.windowTitle();
        if (onExec)
            return onExec(dialog);
        return execResult;
    }

    QStringList captions;
    QStringList texts;
    QStringList dialogs;
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    int execResult = QDialog::Accepted;
    std::function<int(QDialog&)> onExec;
    std::function<void(const QString&)> onMessage;

private:
    zov::ui::DialogHost* m_before = nullptr;
};

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name)
        , m_had(qEnvironmentVariableIsSet(name))
        , m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};
