#include "app/helpcommands.h"

#include "app/desktopfrontend.h"
#include "app/makerinfo.h"
#include "app/thelpform.h"
#include "app/tversionform.h"

#include <QDesktopServices>

namespace zn {

HelpCommands::HelpCommands(DesktopFrontend &frontend, QObject *parent)
    : QObject(parent)
    , m_frontend(frontend)
    , m_opener([](const QUrl &url) { return QDesktopServices::openUrl(url); })
{
}

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

void HelpCommands::miHelpHomepageClick()
{
    m_opener(maker::homePage());
}

void HelpCommands::Ondrel1Click()
{
    m_opener(maker::mailTo());
}

void HelpCommands::miHelpVersionClick()
{
    // A box of ShowMessageBox may be open beneath (nested loops); its flag
    // is given back as it was.
    const bool wasShowing = m_frontend.dialogShowing();
    m_frontend.setDialogShowing(true);
    {
        TVersionForm box([this](const QUrl &url) { return m_opener(url); });
        box.exec();
    }
    m_frontend.setDialogShowing(wasShowing);
}

} // namespace zn
