// An IPv4 address entered as four fields of 0 to 255; a blank field counts as 0. A number
// above 255 is refused as it is typed, with a line that says why, so that it can never be
// stored as another address.
#pragma once

#include <QWidget>
#include <array>

class QLabel;
class QLineEdit;

class CIPAddressEdit : public QWidget {
public:
    explicit CIPAddressEdit(QWidget* parent = nullptr);

    void SetAddress(int b1, int b2, int b3, int b4);
    void GetAddress(int* b1, int* b2, int* b3, int* b4) const;
    QLineEdit* Field(int index) const { return m_fields.at(static_cast<std::size_t>(index)); }
    void FocusFirstField();
    // The line that says why a number was refused; hidden while there is nothing to say.
    const QLabel* RefusalLine() const { return m_pRefusal; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MoveToField(int index);
    void OnFieldEdited(int index, const QString& text);

    std::array<QLineEdit*, 4> m_fields{};
    std::array<QString, 4> m_accepted{};  // each field's last text of 0 to 255
    QLabel* m_pRefusal = nullptr;
};
