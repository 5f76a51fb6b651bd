#pragma once
// The hourglass pointer for the lifetime of the object; the previous pointer comes back on
// every exit path. Does nothing without a GUI application (command-line tools, some tests).
namespace kervane {

class Sablier {
public:
    Sablier();
    ~Sablier();
    Sablier(const Sablier&) = delete;
    Sablier& operator=(const Sablier&) = delete;

private:
    bool m_bActif;
};

}  // namespace kervane
