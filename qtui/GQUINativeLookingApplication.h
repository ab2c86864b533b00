// The toolkit's application class: widgets that have chosen no control size get the small one of
// macOS, tab widgets, tab bars and menus the normal one.
#pragma once

#include <QEvent>
#include <QWidget>

template<class Application>
class GQUINativeLookingApplication : public Application
{
public:
    GQUINativeLookingApplication(int& argc, char** argv, int flags) : Application(argc, argv, flags) {}

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (event->type() == QEvent::Polish && receiver->isWidgetType())
        {
            QWidget* const widget = static_cast<QWidget*>(receiver);
            if (!widget->testAttribute(Qt::WA_MacMiniSize) && !widget->testAttribute(Qt::WA_MacSmallSize) &&
                !widget->testAttribute(Qt::WA_MacNormalSize) &&
                !widget->testAttribute(Qt::WA_MacVariableSize))
            {
                bool const normal = widget->qt_metacast("QTabWidget") || widget->qt_metacast("QTabBar") ||
                                    widget->qt_metacast("QMenu");
                widget->setAttribute(normal ? Qt::WA_MacNormalSize : Qt::WA_MacSmallSize);
            }
        }
        return Application::notify(receiver, event);
    }
};
