#pragma once
// The help context of a widget and the help key.
//
// A widget's help context is a number of the help file's context map, kept as a property of the
// widget; a widget without one takes the nearest one of its parents. InstallHelpKey makes F1
// anywhere in the program ask the application's help event (platform/HtmlHelp.h) for the
// context of the focused widget. A widget with a rule of its own for F1 implements
// IHelpKeyTarget.
class QWidget;

void SetHelpContext(QWidget *Widget, int Context);
// The widget's own context, 0 when it has none.
int OwnHelpContext(const QWidget *Widget);
// A context for every window (dialog, tool window) with this object name, also one made later.
void SetHelpContextOfWindow(const char *ObjectName, int Context);
// The context of Widget or of its nearest parent that has one (its own, or for a window the one
// of its object name); 0 when none has.
int HelpContextOf(const QWidget *Widget);

class IHelpKeyTarget {
public:
    virtual ~IHelpKeyTarget() = default;
    // F1 pressed on the widget: true when it took the key (and asked for help itself).
    virtual bool HelpKey() = 0;
};

// F1 (without modifiers) in any window: the focused widget's own rule, else a help request for
// HelpContextOf the focused widget (or of the active window when nothing has the focus).
// Installing twice changes nothing.
void InstallHelpKey();
// What F1 does, for a given focused widget; true when the key was used.
bool HelpKeyPressed(QWidget *Focus);
