// SPDX-License-Identifier: MIT
#include <QImage>
#include <QTest>

#include "panel/app_icon.h"

namespace {

// A clearly red pixel: the output lamp the icon shows at every size.
bool hasRedLamp(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            if (colour.alpha() == 255 && colour.red() > 200 && colour.green() < 80 && colour.blue() < 80) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

class TestAppIcon : public QObject {
    Q_OBJECT

private slots:
    void eachSizeIsBuiltIn_data() {
        QTest::addColumn<int>("size");
        for (const int size : {16, 32, 48, 64}) {
            QTest::addRow("%dpx", size) << size;
        }
    }

    // Every size comes from its own picture, not from scaling another one, and
    // shows the lamp; a picture missing from the resource would leave the title
    // bar without an icon and no message.
    void eachSizeIsBuiltIn() {
        QFETCH(int, size);
        const QIcon icon = qzb::applicationIcon();
        QVERIFY(icon.availableSizes().contains(QSize(size, size)));
        const QImage image = icon.pixmap(QSize(size, size)).toImage();
        QCOMPARE(image.size(), QSize(size, size));
        QVERIFY(hasRedLamp(image));
    }
};

QTEST_MAIN(TestAppIcon)
#include "test_app_icon.moc"
