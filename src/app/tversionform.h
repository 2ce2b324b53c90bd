#pragma once

#include "app/urlopener.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace zn {

// The about box "Zephinet -バージョン情報-": the logo, the product name and
// the version of this build, the credit line, the home page and the mail
// address (both open through the opener when clicked), and "OK". Shown
// modally by the help menu and the tray menu.
class TVersionForm : public QDialog {
    Q_OBJECT
public:
    explicit TVersionForm(UrlOpener opener, QWidget *parent = nullptr);

    // The design client area; the box cannot be resized.
    static constexpr QSize ClientSize{285, 142};

    QLabel *laProductName() const { return m_laProductName; }
    QLabel *laVersion() const { return m_laVersion; }
    QLabel *laCredit() const { return m_laCredit; }
    QLabel *laURL() const { return m_laURL; }
    QLabel *laMailAddress() const { return m_laMailAddress; }
    QPushButton *btClose() const { return m_btClose; }

    void laURLClick();
    void laMailAddressClick();
    void btCloseClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    UrlOpener m_opener;
    QLabel *m_laProductName = nullptr;
    QLabel *m_laVersion = nullptr;
    QLabel *m_laCredit = nullptr;
    QLabel *m_laURL = nullptr;
    QLabel *m_laMailAddress = nullptr;
    QPushButton *m_btClose = nullptr;
};

} // namespace zn
