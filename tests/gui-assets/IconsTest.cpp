// The control-bar icons, the application icon and the splash picture.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <set>
#include <utility>
#include <vector>

#include "QV_Icons.h"

#ifdef VISAGEN_HAVE_SHELL
#include "ControlBar.h"
#endif

namespace {

// Normal and hover icon of each control-bar button, left to right.
const std::vector<std::pair<int, int>> kButtonIcons = {
    {137, 144}, {138, 145}, {139, 177}, {178, 179}, {136, 146}, {163, 147}, {142, 185}, {150, 184}, {151, 186},
    {154, 181}, {160, 182}, {161, 183}, {143, 149}, {172, 174}, {162, 180}, {164, 173}, {153, 155},
};

// Mean lightness inside the button's frame (a band of `border` pixels left out).
double MeanLightness(const QImage& image, int border)
{
    double sum = 0;
    int n = 0;
    for (int y = border; y < image.height() - border; ++y)
        for (int x = border; x < image.width() - border; ++x, ++n) sum += QColor(image.pixel(x, y)).lightnessF();
    return sum / n;
}

// Mean colour saturation of the opaque pixels in the frame's band.
double FrameSaturation(const QImage& image, int border)
{
    double sum = 0;
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const bool band = x < border || y < border || x >= image.width() - border || y >= image.height() - border;
            if (!band || qAlpha(image.pixel(x, y)) < 128) continue;
            sum += QColor(image.pixel(x, y)).hsvSaturationF();
            ++n;
        }
    return n ? sum / n : 0;
}

// Share of the pixels that differ between two pictures of the same size.
double DifferingShare(const QImage& a, const QImage& b)
{
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) differing += a.pixel(x, y) != b.pixel(x, y);
    return static_cast<double>(differing) / (a.width() * a.height());
}

QImage Icon(int number, int size = 32)
{
    return QV_IconPixmap(number, size).toImage().convertToFormat(QImage::Format_ARGB32);
}

TEST(ControlBarIcons, EveryButtonHasANormalAndABrighterRingedHoverPicture)
{
    for (const auto& [normal, hover] : kButtonIcons) {
        SCOPED_TRACE(testing::Message() << "icons " << normal << "/" << hover);
        const QImage n = Icon(normal), h = Icon(hover);
        ASSERT_FALSE(n.isNull());
        ASSERT_FALSE(h.isNull());
        EXPECT_EQ(n.size(), QSize(32, 32));
        EXPECT_EQ(h.size(), QSize(32, 32));
        EXPECT_GT(DifferingShare(n, h), 0.2);
        EXPECT_GT(MeanLightness(h, 3), MeanLightness(n, 3));  // brighter
        EXPECT_GT(FrameSaturation(h, 3), FrameSaturation(n, 3) + 0.3);  // with a coloured ring
    }
}

TEST(ControlBarIcons, EachButtonShowsItsOwnPictogram)
{
    // Two buttons drawn alike would be a slip in the icon table.
    for (size_t i = 0; i < kButtonIcons.size(); ++i)
        for (size_t j = i + 1; j < kButtonIcons.size(); ++j) {
            SCOPED_TRACE(testing::Message() << kButtonIcons[i].first << " vs " << kButtonIcons[j].first);
            EXPECT_GT(DifferingShare(Icon(kButtonIcons[i].first), Icon(kButtonIcons[j].first)), 0.05);
            EXPECT_GT(DifferingShare(Icon(kButtonIcons[i].second), Icon(kButtonIcons[j].second)), 0.05);
        }
}

TEST(ControlBarIcons, NumbersOutsideTheTableAndUnusableSizesGiveNoPicture)
{
    std::set<int> known;
    for (const auto& [normal, hover] : kButtonIcons) known.insert({normal, hover});
    for (int number = 100; number < 200; ++number)
        if (known.count(number) == 0) {
            EXPECT_TRUE(QV_IconPixmap(number, 32).isNull()) << number;
        }
    for (int size : {0, -1, -32, 1 << 20}) EXPECT_TRUE(QV_IconPixmap(137, size).isNull()) << size;
    EXPECT_FALSE(QV_IconPixmap(137, 1).isNull());
    EXPECT_EQ(QV_IconPixmap(137, 1024).width(), 1024);
}

TEST(ControlBarIcons, CornersStayTransparentSoTheBarShowsThrough)
{
    const QImage icon = Icon(137, 64);
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(63, 63)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(32, 32)), 255);
}

#ifdef VISAGEN_HAVE_SHELL
TEST(ControlBarIcons, EveryIconTheControlBarAsksForIsDrawn)
{
    ControlBar bar;
    ASSERT_EQ(bar.buttons.size(), kButtonIcons.size());
    for (const IconButton& button : bar.buttons) {
        SCOPED_TRACE(testing::Message() << "button " << button.id);
        EXPECT_FALSE(QV_IconPixmap(button.normalIcon, 30).isNull());
        EXPECT_FALSE(QV_IconPixmap(button.hoverIcon, 30).isNull());
    }
}
#endif

TEST(ProgramPictures, ApplicationIconAndSplashAreDrawn)
{
    const QIcon icon = QV_ApplicationIcon();
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 32, 48, 256}) {
        const QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(image.width(), size);
        EXPECT_GT(qAlpha(image.pixel(size / 2, size / 2)), 0) << size;
    }
    const QImage splash = QV_SplashPixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(splash.isNull());
    EXPECT_GE(splash.width(), 300);
    EXPECT_GE(splash.height(), 150);
    std::set<QRgb> colours;
    for (int y = 0; y < splash.height(); y += 4)
        for (int x = 0; x < splash.width(); x += 4) colours.insert(splash.pixel(x, y));
    EXPECT_GT(colours.size(), 100u);  // a picture, not a plain fill
}

}  // namespace
