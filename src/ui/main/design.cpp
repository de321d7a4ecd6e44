#include "ui/main/design.h"

#include "app/version.h"

#include <QFontDatabase>
#include <QHash>
#include <QLabel>
#include <QStringList>

// The first of the designed faces that this system has, looked up once per list: a face the
// system lacks would otherwise be searched for again by every font that names it.
static QString installedFamily(const QStringList& families) {
    static QHash<QString, QString> chosen;
    const QString key = families.join(QLatin1Char(','));
    auto found = chosen.constFind(key);
    if (found != chosen.constEnd())
        return *found;
    // The installed families as one list (asking for a face by name would make the font
    // system resolve aliases for every face it lacks).
    static const QStringList installed = QFontDatabase::families();
    QString family = families.last();
    for (const QString& candidate : families) {
        if (installed.contains(candidate, Qt::CaseInsensitive)) {
            family = candidate;
            break;
        }
    }
    chosen.insert(key, family);
    return family;
}

static QFont makeFont(const QStringList& families, qreal pointSize, bool bold) {
    QFont f;
    f.setFamily(installedFamily(families));
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

QFont msSansSerifFont(qreal pointSize, bool bold) {
    return makeFont({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                     QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")},
                    pointSize, bold);
}

QFont arialFont(qreal pointSize, bool bold, bool underline) {
    QFont f = makeFont(
        {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")},
        pointSize, bold);
    f.setUnderline(underline);
    return f;
}

QFont verdanaFont(qreal pointSize, bool bold) {
    return makeFont({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"),
                     QStringLiteral("Liberation Sans")},
                    pointSize, bold);
}

QRect twips(int left, int top, int width, int height) {
    auto px = [](int t) { return (t + 7) / 15; };
    return QRect(px(left), px(top), px(width), px(height));
}

QLabel* addVersionLabel(QWidget* parent, int topTwips) {
    auto* label = new QLabel(QStringLiteral("vX.XX"), parent);
    label->setObjectName(QStringLiteral("versionLabel"));
    label->setGeometry(twips(5760, topTwips, 1215, 255));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);
    label->setText(versionText());
    return label;
}

QString darkScrollBarStyle() {
    return QStringLiteral(
        "QScrollBar:vertical { background: #101010; width: 9px; margin: 0; }"
        "QScrollBar::handle:vertical { background: #5a5a5a; min-height: 16px; border-radius: 2px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }");
}
