#include "captions.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

namespace app {

namespace {

constexpr char kContextProperty[] = "captionContext";
constexpr char kSourceProperty[] = "captionSource";

void show(QObject* object, const QString& text) {
    if (auto* a = qobject_cast<QAction*>(object))
        a->setText(text);
    else if (auto* m = qobject_cast<QMenu*>(object))
        m->setTitle(text);
    else if (auto* g = qobject_cast<QGroupBox*>(object))
        g->setTitle(text);
    else if (auto* b = qobject_cast<QAbstractButton*>(object))
        b->setText(text);
    else if (auto* l = qobject_cast<QLabel*>(object))
        l->setText(text);
}

void retranslate(QObject* object) {
    const QByteArray source = object->property(kSourceProperty).toByteArray();
    if (source.isEmpty()) return;
    show(object,
         QCoreApplication::translate(object->property(kContextProperty).toByteArray().constData(),
                                     source.constData()));
}

}  // namespace

void setCaption(QObject* object, const char* context, const char* source) {
    object->setProperty(kContextProperty, QByteArray(context));
    object->setProperty(kSourceProperty, QByteArray(source));
    retranslate(object);
}

void retranslateCaptions(QObject* root) {
    retranslate(root);
    for (QObject* child : root->findChildren<QObject*>()) retranslate(child);
}

QString shownCaption(const QObject* object) {
    QString text;
    if (auto* a = qobject_cast<const QAction*>(object))
        text = a->text();
    else if (auto* m = qobject_cast<const QMenu*>(object))
        text = m->title();
    else if (auto* g = qobject_cast<const QGroupBox*>(object))
        text = g->title();
    else if (auto* b = qobject_cast<const QAbstractButton*>(object))
        text = b->text();
    else if (auto* l = qobject_cast<const QLabel*>(object))
        text = l->text();
    // "保存(&S)" shows as 保存(S); "&Save" as Save.
    return text.replace(QLatin1String("&&"), QLatin1String("\x01"))
        .remove(QLatin1Char('&'))
        .replace(QLatin1Char('\x01'), QLatin1Char('&'));
}

int captionWidth(const QWidget* widget) {
    const QString text = shownCaption(widget);
    if (text.isEmpty()) return 0;
    // What is drawn of the text (its ink), not the advance to where a next letter would go.
    const int ink = widget->fontMetrics().boundingRect(text).right() + 1;
    // The title of a group box sits after a short indent and has a little room either side.
    if (qobject_cast<const QGroupBox*>(widget)) return ink + 16;
    // An option: the text after its indicator, where the style puts it.
    if (auto* o = qobject_cast<const QRadioButton*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(o);
        option.text = o->text();
        return o->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, o).left() + ink;
    }
    // A push button: the text inside the button's two-pixel frame and a pixel of air.
    if (qobject_cast<const QAbstractButton*>(widget)) return ink + 6;
    return ink;
}

}  // namespace app
