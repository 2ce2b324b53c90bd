#pragma once

#include "app/urlopener.h"

#include <QUrl>
#include <QWidget>

class QPushButton;
class QTextBrowser;

namespace zn {

// The manual compiled into the program: qrc:/help/index.html and its pages
// (the English edition under qrc:/help/en/ when the windows speak English),
// one anchor "ctx-<number>" per help context number of the windows.
namespace manual {
QUrl contents();
// The page and anchor of a context number; the contents when no page of
// the manual carries that anchor.
QUrl topic(int context);
// Every page of the manual, the contents first.
QList<QUrl> pages();
} // namespace manual

// The help window "Zephinet -ヘルプ-": the manual in a text browser with
// contents, back and forward. Links inside the manual stay in the window;
// web and mail links go to the opener.
class THelpForm : public QWidget {
    Q_OBJECT
public:
    explicit THelpForm(UrlOpener opener, QWidget *parent = nullptr);

    // Shows the window (raised, active) at `url`, a page of the manual with
    // an optional anchor.
    void showAt(const QUrl &url);

    QTextBrowser *browser() const { return m_tbHelp; }

private:
    void linkClicked(const QUrl &url);
    void updateButtons();

    UrlOpener m_opener;
    QTextBrowser *m_tbHelp = nullptr;
    QPushButton *m_btContents = nullptr;
    QPushButton *m_btBack = nullptr;
    QPushButton *m_btForward = nullptr;
    QPushButton *m_btClose = nullptr;
};

} // namespace zn
