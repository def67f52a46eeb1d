// The Wayland host's decisions, free of Wayland calls so that tests reach them: which process draws
// on which output and what the end of one means for the rest, when pointer travel ends the saver,
// and how big a buffer is at a scale.
#ifndef LATTICEDRIFT_HOST_WAYLAND_WAYLAND_RULES_H
#define LATTICEDRIFT_HOST_WAYLAND_WAYLAND_RULES_H

#include <cstdint>
#include <vector>

// A picture's process ends with this status when its output went away before or while it drew:
// that ends its picture alone.
constexpr int OUTPUT_GONE_STATUS = 3;

// What the end of one output's process means for the whole saver.
struct ChildVerdict {
    bool endAll = false; // end every picture, then the saver, with `status`
    int status = 0;
};

// The full-screen saver's outputs (by their registry name) and the process that draws on each.
class OutputRoster {
public:
    // An output has appeared: true when it is new and needs a process.
    bool add(std::uint32_t output);
    // Its process has started.
    void started(std::uint32_t output, int pid);
    // The output has gone: the process to end quietly, 0 when it has none.
    int remove(std::uint32_t output);
    // A process has ended with a status from waitpid. Its own output gone (status
    // OUTPUT_GONE_STATUS, or the process had been told to end because its output went) ends its
    // picture alone; any other end (input, a stop signal, the compositor closing the surface, a
    // failure, a crash) ends every picture, with 0 for an end by exit status 0 and 1 otherwise.
    ChildVerdict ended(int pid, int waitStatus);
    // The processes still running.
    std::vector<int> running() const;

private:
    struct Entry {
        std::uint32_t output = 0;
        int pid = 0;          // 0 until started
        bool retired = false; // its output has gone; it was told to end
    };
    std::vector<Entry> entries;
};

// The pointer-travel rule of a full-screen surface, in device pixels. The first position the
// surface learns (an enter, or the first motion) is the reference, so that the enter or motion a
// compositor sends when the surface appears under a still pointer ends nothing. When the surface
// is placed anew (configured to another size, a fullscreen state applied) the pointer's position
// in it changes without the pointer moving: `settle` makes the next position the reference again.
class PointerTravel {
public:
    void settle() { known = false; }
    // The pointer is at (x, y): true when it has travelled further than the saver allows.
    bool moved_to(double x, double y);

private:
    bool known = false;
    std::int32_t refX = 0;
    std::int32_t refY = 0;
};

// A surface's buffer in device pixels: its size in surface units times the scale, as a fraction
// of 120 (fractional-scale-v1's unit; an integer scale s is s * 120), rounded half away from zero;
// at least 1x1.
struct BufferSize {
    int width = 1;
    int height = 1;
};
BufferSize buffer_size(int surfaceWidth, int surfaceHeight, std::uint32_t scale120);

#endif
