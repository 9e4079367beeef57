// Answers modal windows as they open, in turn, the way a user answers the dialogs and
// message boxes that a blocking call shows.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <filesystem>
#include <functional>

class ModalScript : public QObject {
public:
    using Step = std::function<void(QWidget* modal)>;

    ModalScript();

    // The next modal window that opens is handed to step; a step may itself make further
    // windows open, which the following steps then answer.
    ModalScript& Then(Step step);
    bool Done() const { return m_steps.empty(); }

private:
    void Poll();

    QTimer m_timer;
    std::deque<Step> m_steps;
    QPointer<QWidget> m_pLast;
};

// Clicks the push button of a window that carries this text or object name.
void ClickButton(QWidget* window, const QString& textOrName);

// Answers the next file dialog with path (Cancel when path is empty).
ModalScript::Step ChooseFile(const std::filesystem::path& path);
