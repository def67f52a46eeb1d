// How the web host drives our OpenGL 1.1 layer: attach it to the page's WebGL 2 context, size the
// picture (the canvas, which shows every frame as it is drawn), and survive the context's loss.
// Until it is open every GL call does nothing, as GL calls do without a current context.
#ifndef LATTICEDRIFT_COMPAT_WEBGL_WEBGL_LAYER_H
#define LATTICEDRIFT_COMPAT_WEBGL_WEBGL_LAYER_H

// Opens the layer on the context the page handed to the backend (made with preserveDrawingBuffer),
// with a width x height picture, which sets the canvas's size, in the state of a fresh GL context. After a loss, texture names and the binding outlive it:
// each named texture is made again, empty, with its parameters. False when WebGL refuses.
bool webgl_layer_open(int width, int height);
// A new picture size (the core's viewport follows from window_width and window_height); false
// when the GPU cannot make a picture of that size, which leaves the old one as it was.
bool webgl_layer_resize(int width, int height);
// The context is lost: GPU objects are gone, GL calls do nothing until the next open.
void webgl_layer_lost();

#endif
