// The figures behind --fps on Linux: frames per second and CPU milliseconds per frame (the whole
// process, the GL driver's threads included), counted over each second and over the whole run.
// The hosts show them their own way: X11 draws them in a corner, Wayland prints them.
#ifndef LATTICEDRIFT_HOST_POSIX_FRAME_RATE_H
#define LATTICEDRIFT_HOST_POSIX_FRAME_RATE_H

class FrameRate {
public:
    // Starts counting from now.
    void start();

    // Counts the frame just drawn. Once a second returns the last second's figures,
    // "N fps  M ms CPU per frame", which stays in the counter until the next figures replace it;
    // otherwise nullptr.
    const char* frame();

    // Prints the whole run's figures on stderr, where at least one frame was counted.
    void stop() const;

private:
    long frames_ = 0;
    long framesSinceUpdate_ = 0;
    double startWall_ = 0.0;
    double startCpu_ = 0.0;
    double updateWall_ = 0.0;
    double updateCpu_ = 0.0;
    char text_[80] = "";
};

#endif
