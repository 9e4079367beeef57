#include "CDownloadsSpinBox.h"

#include <limits>

CDownloadsSpinBox::CDownloadsSpinBox(QWidget* parent) : QSpinBox(parent)
{
    // Any number of digits may be typed, so that an out-of-range value reaches the dialog's
    // check and its message instead of being silently refused by the field.
    setRange(0, std::numeric_limits<int>::max());
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setAccelerated(false);
}

void CDownloadsSpinBox::stepBy(int steps)
{
    const long long next = static_cast<long long>(value()) + steps;
    if (next >= kMinimum && next <= kMaximum) QSpinBox::stepBy(steps);
}

QAbstractSpinBox::StepEnabled CDownloadsSpinBox::stepEnabled() const
{
    // Both arrows stay live, as the steps themselves enforce the range.
    return StepUpEnabled | StepDownEnabled;
}
