#pragma once

#include "app/urlopener.h"

#include <QObject>

#include <memory>

namespace zn {

class DesktopFrontend;
class THelpForm;

// The commands of the help menu "ヘルプ(&H)" and of the tray menu's
// "バージョン情報(&V)": the manual, the home page, mail to the developers and
// the about box.
class HelpCommands : public QObject {
    Q_OBJECT
public:
    explicit HelpCommands(DesktopFrontend &frontend, QObject *parent = nullptr);
    ~HelpCommands() override;

    // By default QDesktopServices::openUrl.
    void setUrlOpener(UrlOpener opener);

    // "トピックの検索(&H)" and F1: the manual at its contents.
    void miHelpHelpClick();
    // The manual at the topic of a help context number (F1 or the help
    // button of a window whose controls carry numbers).
    void ShowHelpTopic(int context);
    // "Ondrel Official Homepage(&W)" and the about box's address.
    void miHelpHomepageClick();
    // "Ondrel へ メールを送信(&M)": a mailto: link to the developers.
    void Ondrel1Click();
    // "バージョン情報(&V)": the modal about box, with DialogShowing set while
    // it is open, so that tray clicks and hot keys open nothing meanwhile.
    void miHelpVersionClick();

    // The one help window, null until the manual was first opened.
    THelpForm *helpForm() const { return m_helpForm.get(); }

private:
    THelpForm &ensureHelpForm();
    // The home page or the mail link through the opener; when no browser or
    // mail program took it, a box says so and gives the address to use.
    bool openMakerLink(const QUrl &url);

    DesktopFrontend &m_frontend;
    UrlOpener m_opener;
    std::unique_ptr<THelpForm> m_helpForm;
};

} // namespace zn
