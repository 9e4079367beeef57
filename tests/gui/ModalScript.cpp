#include "ModalScript.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>

ModalScript::ModalScript()
{
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &ModalScript::Poll);
    m_timer.start();
}

ModalScript& ModalScript::Then(Step step)
{
    m_steps.push_back(std::move(step));
    return *this;
}

void ModalScript::Poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    // A window already answered that is still open (a dialog under a message box) is the
    // step's own business.
    if (!modal || modal == m_pLast || m_steps.empty() || !modal->isVisible()) return;
    m_pLast = modal;
    Step step = std::move(m_steps.front());
    m_steps.pop_front();
    step(modal);
}

void ClickButton(QWidget* window, const QString& textOrName)
{
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (button->objectName() == textOrName || button->text() == textOrName) {
            QTest::mouseClick(button, Qt::LeftButton);
            return;
        }
    }
    QFAIL(qPrintable("no button " + textOrName));
}

ModalScript::Step ChooseFile(const std::filesystem::path& path)
{
    return [path](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog);
        if (path.empty()) {
            dialog->reject();
            return;
        }
        // Typed into the file name field as a person would: selectFile() leaves that field
        // alone while it has the focus, which the dialog gives it only once its window is
        // active, so the chosen path would depend on how fast the window came up.
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(QString::fromStdString(path.string()));
        // What the Open or Save button does, with its checks.
        QMetaObject::invokeMethod(dialog, "accept");
    };
}
