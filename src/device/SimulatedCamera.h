#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "device/DeskScene.h"

namespace tavelo {

// A model of the main unit, used by the simulated backend and by the USB emulation in the
// tests: the state its two status groups report, the commands it accepts (ACK) or refuses
// (NAK), and the still picture that "TR0  " arms on the image pipe, a synthetic document page
// encoded as the camera encodes it (signed 4:2:2, U Y0 V Y1, top row first).
class SimulatedCamera {
public:
    struct State {
        // Status group 0 ("QS0  ")
        int lamp = 0;         // 0 off, 1 base, 2 upper
        int videoSource = 0;  // 0 MAIN, 1 RGB1, 2 RGB2
        int negative = 0;     // 0 positive, 1 negative
        int blackWhite = 0;   // 0 colour, 1 black and white
        int pointer = 0;
        int magnify = 0;  // 2x
        int pause = 0;
        int lock = 0;
        // Status group 2 ("QS2  ")
        int captureMode = 3;  // 2 or 3
        int gamma = 0;        // 0..7
        int rotation = 0;     // 0..3 = 0, 90, 180, 270 degrees
        int aperture = 0;
        int contrast = 0;
        // Not reported by either group, but driven by the commands
        int pointerMotion = 0;     // 0 stopped, 1 right, 2 left, 3 up, 4 down
        int zoomMotion = 0;        // +1 towards tele, -1 towards wide, 0 stopped
        int focusMotion = 0;       // +1 towards near, -1 towards far, 0 stopped
        int irisMotion = 0;        // +1 opening, -1 closing, 0 stopped
        int irisResets = 0;        // "IR1  " received
        int autoFocusRuns = 0;     // "AF0  " received
        int whiteBalanceRuns = 0;  // "AW2  " received
    };

    State& GetState() { return m_state; }
    const State& GetState() const { return m_state; }

    // One packet written to the command pipe: changes the state, queues the reply (ACK, NAK
    // or a status group) and, for "TR0  ", arms the picture. A packet that is not exactly a
    // known five-character command followed by three zeros is refused with NAK. The armed
    // picture looks as the state makes it look: negative inverts it, black and white drops
    // its colour.
    void ReceivePacket(std::span<const std::uint8_t> packet);

    // The reply waiting on the reply pipe, if any (taken off the queue).
    bool TakeReply(std::uint8_t (&reply)[8]);

    // True while an armed picture still has bytes to give.
    bool PictureArmed() const { return m_nPictureRead < m_picture.size(); }

    // Reads up to buffer.size() bytes of the armed picture; returns how many were given,
    // 0 when no picture is armed or it has all been read.
    std::size_t ReadPicture(std::span<std::uint8_t> buffer);

    // The raw size the capture mode and rotation give (1280 x 768, 1024 x 1024, 1280 x 1024
    // or 1024 x 1280); false for any other pair.
    static bool PictureSize(int mode, int rotation, int& width, int& height);

    // The synthetic page as the camera sees it for a rotation, width * height pixels of
    // (blue, green, red), top row first: white paper, dark text-like strokes, a colour chart
    // at the top left and an arrow pointing to the page's top edge, all turned clockwise by
    // rotation * 90 degrees.
    static std::vector<std::uint8_t> RenderPage(int width, int height, int rotation);

    // What "TR0  " arms: the chart page above (the default), or the desk scenes, where each
    // capture shows the next scene (seeds 1, 2, ...), drawn in its shape as shown and
    // stretched to the raw size as the camera's mode-2 pictures are. The desk scenes draw
    // text, so they need a QGuiApplication.
    enum class Scene { Chart, Desk };
    void SetScene(Scene scene) { m_scene = scene; }
    Scene GetScene() const { return m_scene; }
    void SetNextSceneSeed(std::uint32_t seed) { m_nextSceneSeed = seed; }
    std::uint32_t NextSceneSeed() const { return m_nextSceneSeed; }
    // The last desk scene armed, without its picture: its kind, corners and text as shown.
    const DeskScene& LastDeskScene() const { return m_lastScene; }

    // The size a capture of this mode and rotation is shown at: mode 2 pictures are squeezed
    // by the camera and shown 960 x 768 (768 x 960 turned); others as captured.
    static bool ShownPictureSize(int mode, int rotation, int& width, int& height);

    // Every packet received, in order.
    const std::vector<std::array<std::uint8_t, 8>>& CommandLog() const { return m_commandLog; }

private:
    void ArmPicture(int width, int height);
    std::vector<std::uint8_t> RenderDeskPicture(int width, int height);

    State m_state;
    std::vector<std::array<std::uint8_t, 8>> m_replies;
    std::vector<std::uint8_t> m_picture;
    std::size_t m_nPictureRead = 0;
    std::vector<std::array<std::uint8_t, 8>> m_commandLog;
    Scene m_scene = Scene::Chart;
    std::uint32_t m_nextSceneSeed = 1;
    DeskScene m_lastScene;
};

}  // namespace tavelo
