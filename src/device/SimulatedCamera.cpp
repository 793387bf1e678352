#include "device/SimulatedCamera.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

namespace tavelo {

namespace {

constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kNak = 0x15;

// Commands whose value is a digit stored as it comes into one state field.
struct DigitCommand {
    std::string_view code;
    int low;
    int high;
    int SimulatedCamera::State::*field;
};

using State = SimulatedCamera::State;
constexpr DigitCommand kDigitCommands[] = {
    {"LL", 0, 1, &State::lock},        {"PO", 0, 1, &State::pointer},
    {"MA", 0, 1, &State::magnify},     {"PM", 0, 4, &State::pointerMotion},
    {"PL", 0, 2, &State::lamp},        {"RO", 0, 3, &State::rotation},
    {"AV", 0, 2, &State::videoSource}, {"FZ", 0, 1, &State::pause},
    {"NP", 0, 1, &State::negative},    {"CB", 0, 1, &State::blackWhite},
    {"AP", 0, 1, &State::aperture},    {"CT", 0, 1, &State::contrast},
    {"GM", 0, 7, &State::gamma},
};

// Continuous motions: '+' and '-' start one way or the other, '0' stops.
struct MotionCommand {
    std::string_view code;
    int SimulatedCamera::State::*field;
};
constexpr MotionCommand kMotionCommands[] = {
    {"ZO", &State::zoomMotion},
    {"FO", &State::focusMotion},
    {"IR", &State::irisMotion},
};

std::uint8_t Digit(int value) {
    return static_cast<std::uint8_t>('0' + std::clamp(value, 0, 9));
}

// --- the synthetic page -------------------------------------------------------------------

struct Bgr {
    std::uint8_t b, g, r;
};

constexpr Bgr kPaper{255, 255, 255};
constexpr Bgr kInk{40, 40, 40};
constexpr Bgr kArrow{0, 0, 0};
// The colour chart, left to right: red, green, blue, yellow, cyan, magenta.
constexpr Bgr kChart[] = {{0, 0, 255},   {0, 255, 0},   {255, 0, 0},
                          {0, 255, 255}, {255, 255, 0}, {255, 0, 255}};

// A page upright, width * height pixels, drawn with filled rectangles in coordinates that
// scale with the page so that every size shows the same layout.
class PageCanvas {
public:
    PageCanvas(int width, int height)
        : m_w(width), m_h(height), m_pixels(static_cast<std::size_t>(width) * height, kPaper) {}

    // Fills the rectangle [u0, u1) x [v0, v1) given in fractions of the page.
    void Fill(double u0, double v0, double u1, double v1, Bgr colour) {
        const int x0 = ToX(u0), x1 = ToX(u1), y0 = ToY(v0), y1 = ToY(v1);
        for (int y = y0; y < y1; ++y) {
            std::fill(Row(y) + x0, Row(y) + std::max(x0, x1), colour);
        }
    }

    // An upward-pointing triangle: tip at (u, vTip), base of half-width `half` at vBase.
    void Triangle(double u, double vTip, double vBase, double half, Bgr colour) {
        const int y0 = ToY(vTip), y1 = ToY(vBase);
        for (int y = y0; y < y1; ++y) {
            const double t = (y + 0.5 - y0) / std::max(1, y1 - y0);
            Fill(u - half * t, static_cast<double>(y) / m_h, u + half * t,
                 static_cast<double>(y + 1) / m_h, colour);
        }
    }

    Bgr* Row(int y) { return m_pixels.data() + static_cast<std::size_t>(y) * m_w; }
    const Bgr& At(int x, int y) const { return m_pixels[static_cast<std::size_t>(y) * m_w + x]; }

private:
    int ToX(double u) const { return std::clamp(static_cast<int>(std::lround(u * m_w)), 0, m_w); }
    int ToY(double v) const { return std::clamp(static_cast<int>(std::lround(v * m_h)), 0, m_h); }

    int m_w, m_h;
    std::vector<Bgr> m_pixels;
};

void DrawPage(PageCanvas& page) {
    // Colour chart along the top left.
    const double chartLeft = 0.05, chartTop = 0.05, patch = 0.07, chartBottom = 0.15;
    for (int i = 0; i < 6; ++i) {
        page.Fill(chartLeft + i * patch, chartTop, chartLeft + (i + 1) * patch, chartBottom,
                  kChart[i]);
    }
    // Arrow at the top right pointing to the top edge.
    page.Triangle(0.80, 0.04, 0.14, 0.06, kArrow);
    page.Fill(0.78, 0.14, 0.82, 0.28, kArrow);
    // Lines of text-like strokes with ragged word lengths, the same on every run.
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    for (double v = 0.34; v < 0.92; v += 0.045) {
        double u = 0.08;
        const double lineEnd = 0.92 - (next() % 100) * 0.002;
        while (u < lineEnd) {
            const double word = 0.03 + (next() % 100) * 0.0009;
            page.Fill(u, v, std::min(u + word, lineEnd), v + 0.018, kInk);
            u += word + 0.02;
        }
    }
}

// --- the camera's encoding ----------------------------------------------------------------

// Brightness such that blue = Y + 2U, red = Y + 2V and green = Y - V - 0.375U hold for
// U = (blue - Y) / 2 and V = (red - Y) / 2.
double Luma(const std::uint8_t* bgr) {
    return (bgr[1] + 0.5 * bgr[2] + 0.1875 * bgr[0]) / 1.6875;
}

std::uint8_t EncodeSigned(double value) {
    const long v = std::clamp(std::lround(value), -128L, 127L);
    return static_cast<std::uint8_t>(static_cast<std::int8_t>(v));
}

// Two pixels (blue, green, red each) into one U, Y0, V, Y1 group; greys come out exact.
void EncodePair(const std::uint8_t* p0, const std::uint8_t* p1, std::uint8_t* out) {
    const double y0 = std::clamp(std::round(Luma(p0)), 0.0, 255.0);
    const double y1 = std::clamp(std::round(Luma(p1)), 0.0, 255.0);
    out[0] = EncodeSigned(((p0[0] - y0) + (p1[0] - y1)) / 4.0);
    out[1] = static_cast<std::uint8_t>(y0);
    out[2] = EncodeSigned(((p0[2] - y0) + (p1[2] - y1)) / 4.0);
    out[3] = static_cast<std::uint8_t>(y1);
}

}  // namespace

bool SimulatedCamera::PictureSize(int mode, int rotation, int& width, int& height) {
    if ((mode != 2 && mode != 3) || rotation < 0 || rotation > 3) {
        return false;
    }
    const bool upright = rotation % 2 == 0;
    if (mode == 2) {
        width = upright ? 1280 : 1024;
        height = upright ? 768 : 1024;
    } else {
        width = upright ? 1280 : 1024;
        height = upright ? 1024 : 1280;
    }
    return true;
}

std::vector<std::uint8_t> SimulatedCamera::RenderPage(int width, int height, int rotation) {
    std::vector<std::uint8_t> out;
    if (width <= 0 || height <= 0) {
        return out;
    }
    rotation = ((rotation % 4) + 4) % 4;
    const bool quarter = rotation % 2 == 1;
    const int pageW = quarter ? height : width;
    const int pageH = quarter ? width : height;
    PageCanvas page(pageW, pageH);
    DrawPage(page);

    // Turn the page clockwise by rotation * 90 degrees: each output pixel looks up the page
    // pixel that lands on it.
    out.resize(static_cast<std::size_t>(width) * height * 3);
    std::uint8_t* dst = out.data();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int px = x, py = y;
            switch (rotation) {
                case 1:
                    px = y, py = pageH - 1 - x;
                    break;
                case 2:
                    px = pageW - 1 - x, py = pageH - 1 - y;
                    break;
                case 3:
                    px = pageW - 1 - y, py = x;
                    break;
                default:
                    break;
            }
            const Bgr& c = page.At(px, py);
            *dst++ = c.b;
            *dst++ = c.g;
            *dst++ = c.r;
        }
    }
    return out;
}

void SimulatedCamera::ReceivePacket(std::span<const std::uint8_t> packet) {
    std::array<std::uint8_t, 8> logged{};
    std::copy_n(packet.begin(), std::min<std::size_t>(packet.size(), 8), logged.begin());
    m_commandLog.push_back(logged);

    std::array<std::uint8_t, 8> reply{};
    reply[0] = kNak;
    auto answer = [this, &reply] { m_replies.push_back(reply); };

    const bool wellFormed = packet.size() == 8 && packet[3] == ' ' && packet[4] == ' ' &&
                            packet[5] == 0 && packet[6] == 0 && packet[7] == 0;
    if (!wellFormed) {
        return answer();
    }
    const std::string_view code(reinterpret_cast<const char*>(packet.data()), 2);
    const char value = static_cast<char>(packet[2]);
    const bool digit = value >= '0' && value <= '9';

    if (code == "QS" && (value == '0' || value == '2')) {
        const State& s = m_state;
        const int group0[8] = {s.lamp,    s.videoSource, s.negative, s.blackWhite,
                               s.pointer, s.magnify,     s.pause,    s.lock};
        const int group2[8] = {s.captureMode, s.gamma, s.rotation, s.aperture, 0, s.contrast, 0, 0};
        const int* group = value == '0' ? group0 : group2;
        for (int i = 0; i < 8; ++i) {
            reply[i] = Digit(group[i]);
        }
        return answer();
    }
    if (code == "TR" && value == '0') {
        int width = 0, height = 0;
        if (PictureSize(m_state.captureMode, m_state.rotation, width, height)) {
            ArmPicture(width, height);
            reply[0] = kAck;
        }
        return answer();
    }
    if ((code == "AF" && value == '0') || (code == "AW" && value == '2')) {
        ++(code == "AF" ? m_state.autoFocusRuns : m_state.whiteBalanceRuns);
        reply[0] = kAck;
        return answer();
    }
    if (code == "IR" && value == '1') {
        m_state.irisMotion = 0;
        ++m_state.irisResets;
        reply[0] = kAck;
        return answer();
    }
    for (const MotionCommand& c : kMotionCommands) {
        if (code == c.code && (value == '+' || value == '-' || value == '0')) {
            m_state.*c.field = value == '+' ? 1 : value == '-' ? -1 : 0;
            reply[0] = kAck;
            return answer();
        }
    }
    for (const DigitCommand& c : kDigitCommands) {
        if (code == c.code && digit && value - '0' >= c.low && value - '0' <= c.high) {
            m_state.*c.field = value - '0';
            reply[0] = kAck;
            return answer();
        }
    }
    answer();
}

bool SimulatedCamera::ShownPictureSize(int mode, int rotation, int& width, int& height) {
    if (!PictureSize(mode, rotation, width, height)) {
        return false;
    }
    if (mode == 2) {
        const bool upright = rotation % 2 == 0;
        width = upright ? 960 : 768;
        height = upright ? 768 : 960;
    }
    return true;
}

std::vector<std::uint8_t> SimulatedCamera::RenderDeskPicture(int width, int height) {
    int shownW = width, shownH = height;
    ShownPictureSize(m_state.captureMode, m_state.rotation, shownW, shownH);
    m_lastScene = RenderDeskScene(m_nextSceneSeed++, shownW, shownH);
    QImage raw = m_lastScene.picture.size() == QSize(width, height)
                     ? m_lastScene.picture
                     : m_lastScene.picture.scaled(width, height, Qt::IgnoreAspectRatio,
                                                  Qt::SmoothTransformation);
    m_lastScene.picture = QImage();
    raw = raw.convertToFormat(QImage::Format_RGB32);
    std::vector<std::uint8_t> bgr(static_cast<std::size_t>(width) * height * 3);
    std::uint8_t* dst = bgr.data();
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(raw.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            *dst++ = static_cast<std::uint8_t>(qBlue(row[x]));
            *dst++ = static_cast<std::uint8_t>(qGreen(row[x]));
            *dst++ = static_cast<std::uint8_t>(qRed(row[x]));
        }
    }
    return bgr;
}

void SimulatedCamera::ArmPicture(int width, int height) {
    std::vector<std::uint8_t> page = m_scene == Scene::Desk
                                         ? RenderDeskPicture(width, height)
                                         : RenderPage(width, height, m_state.rotation);
    if (m_state.negative) {
        for (std::uint8_t& v : page) {
            v = static_cast<std::uint8_t>(255 - v);
        }
    }
    if (m_state.blackWhite) {
        for (std::size_t i = 0; i + 2 < page.size(); i += 3) {
            const auto grey =
                static_cast<std::uint8_t>(std::clamp(std::lround(Luma(&page[i])), 0L, 255L));
            page[i] = page[i + 1] = page[i + 2] = grey;
        }
    }
    m_picture.assign(static_cast<std::size_t>(width) * height * 2, 0);
    const std::uint8_t* src = page.data();
    std::uint8_t* dst = m_picture.data();
    for (std::size_t pair = 0; pair < m_picture.size() / 4; ++pair, src += 6, dst += 4) {
        EncodePair(src, src + 3, dst);
    }
    m_nPictureRead = 0;
}

bool SimulatedCamera::TakeReply(std::uint8_t (&reply)[8]) {
    if (m_replies.empty()) {
        return false;
    }
    std::memcpy(reply, m_replies.front().data(), 8);
    m_replies.erase(m_replies.begin());
    return true;
}

std::size_t SimulatedCamera::ReadPicture(std::span<std::uint8_t> buffer) {
    const std::size_t n = std::min(buffer.size(), m_picture.size() - m_nPictureRead);
    std::copy_n(m_picture.begin() + static_cast<std::ptrdiff_t>(m_nPictureRead), n, buffer.begin());
    m_nPictureRead += n;
    if (m_nPictureRead == m_picture.size()) {
        // All given: the pipe has nothing more until the next "TR0  ".
        m_picture.clear();
        m_nPictureRead = 0;
    }
    return n;
}

}  // namespace tavelo
