#include "CQtUserInterface.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <functional>

#include "CPrinterConfigureDlg.h"
#include "CSearchWaitDialog.h"
#include "QtText.h"
#include "VisibleText.h"

namespace {

constexpr unsigned kButtonsMask = 0x0F;
constexpr unsigned kIconMask = 0xF0;

// Widgets live on the GUI thread only; any other thread hands the work over and waits.
int OnGuiThread(const std::function<int()>& show)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) return show();
    int result = IDCANCEL;
    QMetaObject::invokeMethod(app, [&] { result = show(); }, Qt::BlockingQueuedConnection);
    return result;
}

QMessageBox::Icon IconOf(unsigned style)
{
    switch (style & kIconMask) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        // The framework's own choice when the caller names no icon.
        const unsigned buttons = style & kButtonsMask;
        return buttons == MB_YESNO || buttons == MB_YESNOCANCEL ? QMessageBox::Question : QMessageBox::Warning;
    }
}

QMessageBox::StandardButtons ButtonsOf(unsigned style)
{
    switch (style & kButtonsMask) {
    case MB_OKCANCEL:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_YESNO:
        return QMessageBox::Yes | QMessageBox::No;
    case MB_YESNOCANCEL:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

int AnswerOf(int button, unsigned style)
{
    switch (button) {
    case QMessageBox::Ok:
        return IDOK;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    default:
        // Closed without a button: the answer that changes nothing.
        return (style & kButtonsMask) == MB_OK ? IDOK : (style & kButtonsMask) == MB_YESNO ? IDNO : IDCANCEL;
    }
}

}  // namespace

int CQtUserInterface::MessageBox(const CString& text, unsigned style)
{
    return OnGuiThread([&] {
        QMessageBox box(IconOf(style), QGuiApplication::applicationDisplayName(), ToQString(VisibleLines(text)),
                        ButtonsOf(style));
        // A name that looks like markup would otherwise be drawn as markup.
        box.setTextFormat(Qt::PlainText);
        return AnswerOf(box.exec(), style);
    });
}

int CQtUserInterface::RunSearchWait(ISearchWait& search)
{
    return OnGuiThread([&] {
        CSearchWaitDialog wait(search);
        return wait.exec() == QDialog::Accepted ? IDOK : IDCANCEL;
    });
}

bool CQtUserInterface::RunPrinterConfigureDialog(CQuarnPrinter& workingCopy, unsigned flags)
{
    return OnGuiThread([&] {
        CPrinterConfigureDlg dialog(workingCopy, flags);
        return dialog.exec() == QDialog::Accepted ? 1 : 0;
    }) == 1;
}
