// An IPv4 address entered as four fields of 0 to 255; a blank field counts as 0.
#pragma once

#include <QWidget>
#include <array>

class QLineEdit;

class CIPAddressEdit : public QWidget {
public:
    explicit CIPAddressEdit(QWidget* parent = nullptr);

    void SetAddress(int b1, int b2, int b3, int b4);
    void GetAddress(int* b1, int* b2, int* b3, int* b4) const;
    QLineEdit* Field(int index) const { return m_fields.at(static_cast<std::size_t>(index)); }
    void FocusFirstField();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MoveToField(int index);

    std::array<QLineEdit*, 4> m_fields{};
};
