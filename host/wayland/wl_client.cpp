// The Wayland host's globals and input devices. Every listener names every event of the version
// bound, since libwayland calls whatever the table holds.
#include "host/wayland/wl_client.h"

#include "host/posix_clock.h"
#include "host/posix_stop_signals.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

template <class T>
T* bind(wl_registry* registry, std::uint32_t name, const wl_interface* interface, std::uint32_t offered,
        std::uint32_t wanted)
{
    return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

// ---- outputs ----

void output_geometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                     const char*, const char*, std::int32_t)
{
}
void output_mode(void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height, std::int32_t)
{
    auto* output = static_cast<WlOutput*>(data);
    if ((flags & WL_OUTPUT_MODE_CURRENT) != 0) {
        output->modeWidth = width;
        output->modeHeight = height;
    }
}
void output_done(void*, wl_output*) {}
void output_scale(void* data, wl_output*, std::int32_t factor)
{
    static_cast<WlOutput*>(data)->scale = factor > 0 ? factor : 1;
}
// name and description come from version 4 on, which is not bound.
const wl_output_listener OUTPUT_LISTENER = { output_geometry, output_mode, output_done, output_scale, nullptr, nullptr };

void release_output(WlOutput* output)
{
    if (wl_output_get_version(output->output) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
        wl_output_release(output->output);
    else
        wl_output_destroy(output->output);
}

// ---- pointer ----

bool ours(const WlClient* client, wl_surface* surface)
{
    return client->input != nullptr && surface != nullptr && surface == client->input->input_surface();
}

void pointer_enter(void* data, wl_pointer* pointer, std::uint32_t serial, wl_surface* surface, wl_fixed_t x,
                   wl_fixed_t y)
{
    auto* seat = static_cast<WlSeat*>(data);
    seat->pointerInside = ours(seat->client, surface);
    if (seat->pointerInside)
        seat->client->input->pointer_entered(pointer, serial, wl_fixed_to_double(x), wl_fixed_to_double(y));
}
void pointer_leave(void* data, wl_pointer*, std::uint32_t, wl_surface*)
{
    static_cast<WlSeat*>(data)->pointerInside = false;
}
void pointer_motion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y)
{
    auto* seat = static_cast<WlSeat*>(data);
    if (seat->pointerInside)
        seat->client->input->pointer_moved(wl_fixed_to_double(x), wl_fixed_to_double(y));
}
void pointer_button(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t state)
{
    auto* seat = static_cast<WlSeat*>(data);
    if (seat->pointerInside && state == WL_POINTER_BUTTON_STATE_PRESSED)
        seat->client->input->pointer_pressed();
}
void pointer_axis(void* data, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t value)
{
    auto* seat = static_cast<WlSeat*>(data);
    // A scroll's end comes as a stop, not as an axis event of 0; a 0 is no scroll either way.
    if (seat->pointerInside && value != 0)
        seat->client->input->pointer_pressed();
}
void pointer_frame(void*, wl_pointer*) {}
void pointer_axis_source(void*, wl_pointer*, std::uint32_t) {}
void pointer_axis_stop(void*, wl_pointer*, std::uint32_t, std::uint32_t) {}
void pointer_axis_discrete(void*, wl_pointer*, std::uint32_t, std::int32_t) {}
const wl_pointer_listener POINTER_LISTENER = { pointer_enter,       pointer_leave,     pointer_motion,
                                               pointer_button,      pointer_axis,      pointer_frame,
                                               pointer_axis_source, pointer_axis_stop, pointer_axis_discrete,
                                               nullptr };

// ---- keyboard ----

void drop_keymap(WlSeat* seat)
{
    if (seat->state != nullptr)
        xkb_state_unref(seat->state);
    if (seat->keymap != nullptr)
        xkb_keymap_unref(seat->keymap);
    seat->state = nullptr;
    seat->keymap = nullptr;
}

// The seat's keymap, as XKB text in the file the compositor sends (always closed here). A keymap
// that does not load leaves the seat without one: every key then reads as no symbol.
void keyboard_keymap(void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size)
{
    auto* seat = static_cast<WlSeat*>(data);
    drop_keymap(seat);
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
        void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (text != MAP_FAILED) {
            WlClient* client = seat->client;
            if (client->xkb == nullptr)
                client->xkb = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
            if (client->xkb != nullptr)
                seat->keymap = xkb_keymap_new_from_buffer(client->xkb, static_cast<const char*>(text),
                                                          strnlen(static_cast<const char*>(text), size),
                                                          XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
            munmap(text, size);
        }
        if (seat->keymap != nullptr)
            seat->state = xkb_state_new(seat->keymap);
    }
    close(fd);
}
void keyboard_enter(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface, wl_array*)
{
    // The keys held as the focus comes are not presses.
    auto* seat = static_cast<WlSeat*>(data);
    seat->keyboardInside = ours(seat->client, surface);
}
void keyboard_leave(void* data, wl_keyboard*, std::uint32_t, wl_surface*)
{
    static_cast<WlSeat*>(data)->keyboardInside = false;
}
void keyboard_key(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key, std::uint32_t state)
{
    auto* seat = static_cast<WlSeat*>(data);
    if (!seat->keyboardInside || state != WL_KEYBOARD_KEY_STATE_PRESSED)
        return;
    xkb_keysym_t unshifted = XKB_KEY_NoSymbol;
    if (seat->state != nullptr) {
        // Evdev codes are XKB's less 8.
        const xkb_keycode_t code = key + 8;
        const xkb_layout_index_t layout = xkb_state_key_get_layout(seat->state, code);
        const xkb_keysym_t* syms = nullptr;
        if (layout != XKB_LAYOUT_INVALID &&
            xkb_keymap_key_get_syms_by_level(seat->keymap, code, layout, 0, &syms) > 0)
            unshifted = syms[0];
    }
    seat->client->input->key_pressed(unshifted);
}
void keyboard_modifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched,
                        std::uint32_t locked, std::uint32_t group)
{
    auto* seat = static_cast<WlSeat*>(data);
    if (seat->state != nullptr)
        xkb_state_update_mask(seat->state, depressed, latched, locked, 0, 0, group);
}
void keyboard_repeat_info(void*, wl_keyboard*, std::int32_t, std::int32_t) {}
const wl_keyboard_listener KEYBOARD_LISTENER = { keyboard_keymap, keyboard_enter,     keyboard_leave,
                                                 keyboard_key,    keyboard_modifiers, keyboard_repeat_info };

// ---- touch ----

void touch_down(void* data, wl_touch*, std::uint32_t, std::uint32_t, wl_surface* surface, std::int32_t, wl_fixed_t,
                wl_fixed_t)
{
    auto* seat = static_cast<WlSeat*>(data);
    if (ours(seat->client, surface))
        seat->client->input->touched();
}
void touch_up(void*, wl_touch*, std::uint32_t, std::uint32_t, std::int32_t) {}
void touch_motion(void*, wl_touch*, std::uint32_t, std::int32_t, wl_fixed_t, wl_fixed_t) {}
void touch_frame(void*, wl_touch*) {}
void touch_cancel(void*, wl_touch*) {}
const wl_touch_listener TOUCH_LISTENER = { touch_down, touch_up, touch_motion, touch_frame, touch_cancel, nullptr,
                                           nullptr };

// ---- seats ----

void release_devices(WlSeat* seat, std::uint32_t keep)
{
    const bool canRelease = wl_seat_get_version(seat->seat) >= WL_POINTER_RELEASE_SINCE_VERSION;
    if (seat->pointer != nullptr && (keep & WL_SEAT_CAPABILITY_POINTER) == 0) {
        canRelease ? wl_pointer_release(seat->pointer) : wl_pointer_destroy(seat->pointer);
        seat->pointer = nullptr;
        seat->pointerInside = false;
    }
    if (seat->keyboard != nullptr && (keep & WL_SEAT_CAPABILITY_KEYBOARD) == 0) {
        canRelease ? wl_keyboard_release(seat->keyboard) : wl_keyboard_destroy(seat->keyboard);
        seat->keyboard = nullptr;
        seat->keyboardInside = false;
        drop_keymap(seat);
    }
    if (seat->touch != nullptr && (keep & WL_SEAT_CAPABILITY_TOUCH) == 0) {
        canRelease ? wl_touch_release(seat->touch) : wl_touch_destroy(seat->touch);
        seat->touch = nullptr;
    }
}

// Devices come and go with the seat's capabilities (a virtual pointer or keyboard adds one).
void seat_capabilities(void* data, wl_seat* wlSeat, std::uint32_t caps)
{
    auto* seat = static_cast<WlSeat*>(data);
    release_devices(seat, caps);
    if ((caps & WL_SEAT_CAPABILITY_POINTER) != 0 && seat->pointer == nullptr) {
        seat->pointer = wl_seat_get_pointer(wlSeat);
        wl_pointer_add_listener(seat->pointer, &POINTER_LISTENER, seat);
    }
    if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && seat->keyboard == nullptr) {
        seat->keyboard = wl_seat_get_keyboard(wlSeat);
        wl_keyboard_add_listener(seat->keyboard, &KEYBOARD_LISTENER, seat);
    }
    if ((caps & WL_SEAT_CAPABILITY_TOUCH) != 0 && seat->touch == nullptr) {
        seat->touch = wl_seat_get_touch(wlSeat);
        wl_touch_add_listener(seat->touch, &TOUCH_LISTENER, seat);
    }
}
void seat_name(void*, wl_seat*, const char*) {}
const wl_seat_listener SEAT_LISTENER = { seat_capabilities, seat_name };

void release_seat(WlSeat* seat)
{
    release_devices(seat, 0);
    if (wl_seat_get_version(seat->seat) >= WL_SEAT_RELEASE_SINCE_VERSION)
        wl_seat_release(seat->seat);
    else
        wl_seat_destroy(seat->seat);
}

// ---- registry ----

void wm_base_ping(void*, xdg_wm_base* base, std::uint32_t serial)
{
    xdg_wm_base_pong(base, serial);
}
const xdg_wm_base_listener WM_BASE_LISTENER = { wm_base_ping };

void registry_global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                     std::uint32_t version)
{
    auto* client = static_cast<WlClient*>(data);
    const auto is = [interface](const wl_interface& i) { return std::strcmp(interface, i.name) == 0; };
    if (is(wl_compositor_interface) && client->compositor == nullptr) {
        client->compositor = bind<wl_compositor>(registry, name, &wl_compositor_interface, version, 4);
    } else if (is(xdg_wm_base_interface) && client->wmBase == nullptr) {
        client->wmBase = bind<xdg_wm_base>(registry, name, &xdg_wm_base_interface, version, 2);
        xdg_wm_base_add_listener(client->wmBase, &WM_BASE_LISTENER, client);
    } else if (is(zwlr_layer_shell_v1_interface) && client->layerShell == nullptr) {
        client->layerShell = bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version, 4);
    } else if (is(zxdg_decoration_manager_v1_interface) && client->decorations == nullptr) {
        client->decorations =
            bind<zxdg_decoration_manager_v1>(registry, name, &zxdg_decoration_manager_v1_interface, version, 1);
    } else if (is(wp_viewporter_interface) && client->viewporter == nullptr) {
        client->viewporter = bind<wp_viewporter>(registry, name, &wp_viewporter_interface, version, 1);
    } else if (is(wp_fractional_scale_manager_v1_interface) && client->fractionalScale == nullptr) {
        client->fractionalScale = bind<wp_fractional_scale_manager_v1>(
            registry, name, &wp_fractional_scale_manager_v1_interface, version, 1);
    } else if (is(wl_seat_interface)) {
        auto seat = std::make_unique<WlSeat>();
        seat->client = client;
        seat->name = name;
        seat->seat = bind<wl_seat>(registry, name, &wl_seat_interface, version, 5);
        wl_seat_add_listener(seat->seat, &SEAT_LISTENER, seat.get());
        client->seats.push_back(std::move(seat));
    } else if (is(wl_output_interface) && (client->onlyOutput == 0 || client->onlyOutput == name)) {
        auto output = std::make_unique<WlOutput>();
        output->client = client;
        output->name = name;
        output->output = bind<wl_output>(registry, name, &wl_output_interface, version, 3);
        wl_output_add_listener(output->output, &OUTPUT_LISTENER, output.get());
        client->outputs.push_back(std::move(output));
    }
}

void registry_global_remove(void* data, wl_registry*, std::uint32_t name)
{
    auto* client = static_cast<WlClient*>(data);
    if (name == client->onlyOutput && client->onlyOutput != 0)
        client->outputGone = true;
    auto& outputs = client->outputs;
    for (auto it = outputs.begin(); it != outputs.end(); ++it) {
        if ((*it)->name == name) {
            release_output(it->get());
            outputs.erase(it);
            return;
        }
    }
    auto& seats = client->seats;
    for (auto it = seats.begin(); it != seats.end(); ++it) {
        if ((*it)->name == name) {
            release_seat(it->get());
            seats.erase(it);
            return;
        }
    }
}
const wl_registry_listener REGISTRY_LISTENER = { registry_global, registry_global_remove };

} // namespace

bool wayland_bind_globals(WlClient* client, wl_display* display, std::uint32_t onlyOutput, std::string* error)
{
    client->display = display;
    client->onlyOutput = onlyOutput;
    client->registry = wl_display_get_registry(display);
    wl_registry_add_listener(client->registry, &REGISTRY_LISTENER, client);
    // The globals, then what the bound outputs and seats first report.
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0) {
        *error = wayland_connection_error(display);
        return false;
    }
    if (client->compositor == nullptr) {
        *error = "the Wayland compositor offers no wl_compositor";
        return false;
    }
    if (client->wmBase == nullptr && client->layerShell == nullptr) {
        *error = "the Wayland compositor offers neither xdg_wm_base nor zwlr_layer_shell_v1: no window can be made";
        return false;
    }
    return true;
}

WlOutput* wayland_output_of(WlClient* client, wl_output* output)
{
    for (auto& o : client->outputs)
        if (o->output == output)
            return o.get();
    return nullptr;
}

void wayland_release_globals(WlClient* client)
{
    for (auto& seat : client->seats)
        release_seat(seat.get());
    client->seats.clear();
    for (auto& output : client->outputs)
        release_output(output.get());
    client->outputs.clear();
    if (client->fractionalScale != nullptr)
        wp_fractional_scale_manager_v1_destroy(client->fractionalScale);
    if (client->viewporter != nullptr)
        wp_viewporter_destroy(client->viewporter);
    if (client->decorations != nullptr)
        zxdg_decoration_manager_v1_destroy(client->decorations);
    if (client->layerShell != nullptr) {
        if (zwlr_layer_shell_v1_get_version(client->layerShell) >= ZWLR_LAYER_SHELL_V1_DESTROY_SINCE_VERSION)
            zwlr_layer_shell_v1_destroy(client->layerShell);
        else
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(client->layerShell));
    }
    if (client->wmBase != nullptr)
        xdg_wm_base_destroy(client->wmBase);
    if (client->compositor != nullptr)
        wl_compositor_destroy(client->compositor);
    if (client->registry != nullptr)
        wl_registry_destroy(client->registry);
    if (client->xkb != nullptr)
        xkb_context_unref(client->xkb);
    *client = WlClient{};
}

bool wayland_pump(wl_display* display, std::int64_t deadlineUs, int extraFd)
{
    // Events that another queue's reader (the EGL driver's) has already read off the socket.
    if (wl_display_prepare_read(display) != 0)
        return wl_display_dispatch_pending(display) >= 0;
    int sent = wl_display_flush(display);
    if (sent < 0 && errno != EAGAIN) {
        wl_display_cancel_read(display);
        return false;
    }
    int timeoutMs = -1;
    if (deadlineUs >= 0) {
        const std::int64_t left = deadlineUs - monotonic_us();
        timeoutMs = left <= 0 ? 0 : static_cast<int>(std::min<std::int64_t>((left + 999) / 1000, 1000000));
    }
    // A full socket: also wake when it can take the rest.
    const short events = static_cast<short>(POLLIN | (sent < 0 ? POLLOUT : 0));
    pollfd waits[3] = { { wl_display_get_fd(display), events, 0 }, { stop_wake_fd(), POLLIN, 0 }, { extraFd, POLLIN, 0 } };
    const int ready = poll(waits, 3, timeoutMs);
    if (ready > 0 && (waits[0].revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
        if (wl_display_read_events(display) < 0)
            return false;
    } else {
        wl_display_cancel_read(display);
    }
    return wl_display_dispatch_pending(display) >= 0;
}

std::string wayland_connection_error(wl_display* display)
{
    const int code = wl_display_get_error(display);
    if (code == EPROTO) {
        const wl_interface* interface = nullptr;
        std::uint32_t id = 0;
        const std::uint32_t protocolCode = wl_display_get_protocol_error(display, &interface, &id);
        return std::string("the Wayland compositor reported a protocol error ") + std::to_string(protocolCode) +
               " on " + (interface != nullptr ? interface->name : "an object") + " " + std::to_string(id);
    }
    return std::string("lost the connection to the Wayland compositor: ") + std::strerror(code != 0 ? code : EPIPE);
}
