// An IPv4 address entry field: four small number parts with dots between them, in one box.
#pragma once

#include <QFrame>
#include <QString>
#include <array>

class QLineEdit;

class IpAddressBox : public QFrame {
    Q_OBJECT
    Q_PROPERTY(QString address READ address WRITE setAddress)
public:
    explicit IpAddressBox(QWidget* parent = nullptr);

    // The address as dotted-quad text. An empty part counts as 0, so an empty box gives
    // "0.0.0.0".
    QString address() const;
    // Shows an address. Text that is no address is shown as far as it can be: each part shows
    // the digits it starts with (at most 255), a part without any stays empty.
    void setAddress(const QString& text);
    void clear();
    // True while no part holds anything.
    bool isEmpty() const;

    // The four parts, left to right (for the tab order and for tests).
    QLineEdit* part(int index) const { return parts_[size_t(index)]; }

signals:
    void addressEdited();

protected:
    // The box's font is handed on to its parts and dots.
    void changeEvent(QEvent* e) override;

private:
    friend class IpPartEdit;
    // Moves the keyboard focus to a part, with the caret at its start or end, or all selected.
    enum class Caret { Start, End, SelectAll };
    void focusPart(int index, Caret caret);
    void partEdited(int index);

    std::array<QLineEdit*, 4> parts_{};
};
