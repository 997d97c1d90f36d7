#include "panel/Artwork.h"

#include <QFile>

static void registerArtwork()
{
    Q_INIT_RESOURCE(kv481);
}

namespace kv {

void ensureArtwork()
{
    static const bool done = (registerArtwork(), true);
    (void)done;
}

QPixmap loadArtwork(const QString &resource, qreal devicePixelRatio)
{
    ensureArtwork();
    if (devicePixelRatio > 1.0) {
        const QString sharp = resource + QStringLiteral("@2x");
        if (QFile::exists(sharp)) {
            QPixmap pm(sharp);
            pm.setDevicePixelRatio(2.0);
            return pm;
        }
    }
    return QPixmap(resource);
}

QVector<QPixmap> loadGlyphs(qreal devicePixelRatio)
{
    QVector<QPixmap> glyphs;
    glyphs.reserve(25);
    for (int i = 0; i <= 11; ++i)
        glyphs.append(loadArtwork(QStringLiteral(":/LCDM%1").arg(i), devicePixelRatio));
    for (int i = 0; i <= 12; ++i)
        glyphs.append(loadArtwork(QStringLiteral(":/LCDS%1").arg(i), devicePixelRatio));
    return glyphs;
}

} // namespace kv
