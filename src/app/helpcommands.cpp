#include "app/helpcommands.h"

#include "app/makerinfo.h"
#include "app/thelpform.h"
#include "app/tversionform.h"
#include "platform/desktopfrontend.h"

#include <QDesktopServices>

namespace zn {

HelpCommands::HelpCommands(DesktopFrontend &frontend, QObject *parent)
    : QObject(parent), m_frontend(frontend), m_opener([](const QUrl &url) { return QDesktopServices::openUrl(url); })
{}

HelpCommands::~HelpCommands() = default;

void HelpCommands::setUrlOpener(UrlOpener opener)
{
    m_opener = std::move(opener);
}

THelpForm &HelpCommands::ensureHelpForm()
{
    if (!m_helpForm) {
        // The window asks for the opener at each click, so that a later
        // setUrlOpener reaches it too.
        m_helpForm = std::make_unique<THelpForm>([this](const QUrl &url) { return m_opener(url); });
    }
    return *m_helpForm;
}

void HelpCommands::miHelpHelpClick()
{
    ensureHelpForm().showAt(manual::contents());
}

void HelpCommands::ShowHelpTopic(int context)
{
    ensureHelpForm().showAt(manual::topic(context));
}

bool HelpCommands::openMakerLink(const QUrl &url)
{
    if (m_opener(url))
        return true;
    const bool mail = url.scheme() == u"mailto";
    m_frontend.showMessageBox(
        mail ? tr("メールソフトを起動することができませんでした。次のアドレスにメールを送信してください。\n")
                + maker::mailAddress()
             : tr("ブラウザを起動することができませんでした。次のアドレスをブラウザで開いてください。\n")
                + url.toString(),
        mb::Ok | mb::IconWarning);
    return false;
}

void HelpCommands::miHelpHomepageClick()
{
    openMakerLink(maker::homePage());
}

void HelpCommands::Ondrel1Click()
{
    openMakerLink(maker::mailTo());
}

void HelpCommands::miHelpVersionClick()
{
    // A box of ShowMessageBox may be open beneath (nested loops); its flag
    // is given back as it was.
    const bool wasShowing = m_frontend.dialogShowing();
    m_frontend.setDialogShowing(true);
    {
        TVersionForm box([this](const QUrl &url) { return openMakerLink(url); });
        box.exec();
    }
    m_frontend.setDialogShowing(wasShowing);
}

} // namespace zn
