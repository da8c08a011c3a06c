#pragma once
// The SVG pictures of the tests: a drawing written through paintSvg, and its elements read back
// with their clip.

#include <QBuffer>
#include <QList>
#include <QPainter>
#include <QXmlStreamReader>
#include <functional>

#include "viewer/svgpicture.h"

using Drawing = std::function<void(QPainter&)>;
Q_DECLARE_METATYPE(Drawing)

inline QByteArray svgOf(const Drawing& draw, const QRect& rect = QRect(0, 0, 200, 120)) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QString error;
    if (!viewer::paintSvg(&buffer, rect, draw, &error)) return "failed: " + error.toUtf8();
    return bytes;
}

struct SvgElement {
    QString name;
    QXmlStreamAttributes attributes;
    QString text;  // of a <text>
    QString clip;  // the clip-path of the group around it
    QString attribute(const QString& name) const { return attributes.value(name).toString(); }
};

// The elements in document order; *error says where the XML is not well-formed.
inline QList<SvgElement> svgElements(const QByteArray& svg, QString* error) {
    QList<SvgElement> out;
    QXmlStreamReader xml(svg);
    QStringList clips{QString()};
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            clips.removeLast();
        } else if (token == QXmlStreamReader::StartElement) {
            SvgElement e{xml.name().toString(), xml.attributes(), {}, clips.last()};
            const QString clip = e.attribute("clip-path");
            clips.append(clip.isEmpty() ? clips.last() : clip);
            if (e.name == QLatin1String("text")) {
                e.text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                clips.removeLast();
            }
            out.append(e);
        }
    }
    *error =
        xml.hasError() ? xml.errorString() + " at " + QString::number(xml.lineNumber()) : QString();
    return out;
}
