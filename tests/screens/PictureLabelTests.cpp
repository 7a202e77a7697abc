#include "screens/PictureLabel.h"

#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <gtest/gtest.h>

using namespace umbraxis;

namespace {

// What the label shows of `text`, as a picture.
QImage drawn(PictureLabel& label, const QString& text)
{
    label.setText(text);
    return label.grab().toImage();
}

TEST(PictureLabelTest, ATextOfMegabytesDrawsAsFastAsItsFirstLinesAndLooksTheSame)
{
    PictureLabel label;
    label.resize(262, 158);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(13);
    label.setFont(font);
    // A tips file of one endless line, with and without blanks to wrap at.
    for (const QChar c : {QChar('w'), QChar(' ')}) {
        QString endless(10 << 20, QChar('w'));
        if (c == QChar(' '))
            for (qsizetype i = 5; i < endless.size(); i += 6)
                endless[i] = c;
        const QImage start = drawn(label, endless.left(20000));
        QElapsedTimer clock;
        clock.start();
        const QImage whole = drawn(label, endless);
        EXPECT_LT(clock.elapsed(), 1000) << "a paint took " << clock.elapsed() << " ms";
        EXPECT_EQ(whole, start) << "what shows is the start of the text, as far as the label reaches";
    }
}

} // namespace
