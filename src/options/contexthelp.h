// Help topics of the controls of one window: every control named in
// OptionHelpContexts gets its number as the property "helpContext"; F1 on a
// control, or a click on it after the title bar's help button, asks for
// its topic.
#pragma once

#include <QObject>

class QWidget;

namespace zn {

class ContextHelp : public QObject {
    Q_OBJECT
public:
    explicit ContextHelp(QWidget *window);

    // The topic of `widget`, or of the nearest parent that has one; 0 when none has.
    static int contextOf(const QWidget *widget);

signals:
    void helpRequested(int context);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace zn
