// The number field of the Options dialog: digits only, and arrow steps that never leave 1..99.
#pragma once

#include <QSpinBox>

class CDownloadsSpinBox : public QSpinBox {
    Q_OBJECT
public:
    static constexpr int kMinimum = 1;
    static constexpr int kMaximum = 99;

    explicit CDownloadsSpinBox(QWidget* parent = nullptr);

    // A step that would leave the range is refused; typed values are checked by the dialog.
    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;
};
