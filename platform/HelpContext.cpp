#include "platform/HelpContext.h"

#include "platform/HtmlHelp.h"

#include <QApplication>
#include <QKeyEvent>
#include <QVariant>
#include <QWidget>

#include <map>

namespace {

const char *const Property = "quillmarHelpContext";

std::map<QString, int> &WindowContexts()
{
    static std::map<QString, int> contexts;
    return contexts;
}

class THelpKeyFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *Watched, QEvent *Event) override
    {
        if (Event->type() != QEvent::KeyPress || !Watched->isWidgetType())
            return false;
        const auto *key = static_cast<QKeyEvent *>(Event);
        if (key->key() != Qt::Key_F1 || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        // An F1 that finds no context travels on to the parents, which find none either.
        return HelpKeyPressed(static_cast<QWidget *>(Watched));
    }
};

} // namespace

void SetHelpContext(QWidget *Widget, int Context)
{
    if (Widget)
        Widget->setProperty(Property, Context);
}

void SetHelpContextOfWindow(const char *ObjectName, int Context)
{
    WindowContexts()[QString::fromLatin1(ObjectName)] = Context;
}

int OwnHelpContext(const QWidget *Widget)
{
    return Widget ? Widget->property(Property).toInt() : 0;
}

int HelpContextOf(const QWidget *Widget)
{
    for (const QWidget *w = Widget; w; w = w->parentWidget()) {
        if (const int context = OwnHelpContext(w))
            return context;
        if (w->isWindow())
            if (auto it = WindowContexts().find(w->objectName()); it != WindowContexts().end() && it->second)
                return it->second;
    }
    return 0;
}

bool HelpKeyPressed(QWidget *Focus)
{
    if (!Focus)
        Focus = QApplication::activeWindow();
    if (auto *target = dynamic_cast<IHelpKeyTarget *>(Focus); target && target->HelpKey())
        return true;
    const int context = HelpContextOf(Focus);
    if (context == 0)
        return false;
    ApplicationHelpContext(context);
    return true;
}

void InstallHelpKey()
{
    static THelpKeyFilter *filter = nullptr;
    if (filter || !qApp)
        return;
    filter = new THelpKeyFilter(qApp);
    qApp->installEventFilter(filter);
}
