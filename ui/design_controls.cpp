#include "design_controls.h"

#include <QLabel>
#include <QLineEdit>

#include <limits>

namespace waytrace {

void setObjectNames(std::initializer_list<std::pair<QObject*, const char*>> names)
{
    for (const auto& [object, name] : names)
        object->setObjectName(QLatin1String(name));
}

QLabel* captionLabel(QWidget* parent, const char* name, const char* text, int left, int top,
                     int width, int height)
{
    auto* control = new QLabel(QLatin1String(text), parent);
    control->setWordWrap(true);
    control->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return place(control, name, left, top, width, height);
}

QLabel* plainLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* control = new QLabel(text, parent);
    control->setObjectName(QLatin1String(name));
    control->setTextFormat(Qt::PlainText);
    control->setWordWrap(true);
    return control;
}

QLineEdit* textBox(QWidget* parent, const char* name, const char* text, int left, int top,
                   int width, int height)
{
    auto* box = new QLineEdit(QLatin1String(text), parent);
    liftLengthLimit(box);
    return place(box, name, left, top, width, height);
}

void setTabChain(std::initializer_list<QWidget*> controls)
{
    QWidget* previous = nullptr;
    for (auto* control : controls) {
        if (!control)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

void liftLengthLimit(QLineEdit* box)
{
    box->setMaxLength(std::numeric_limits<int>::max());
}

} // namespace waytrace
