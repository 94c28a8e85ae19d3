// Reads what the X server itself holds about the on-screen display, for the desktop checks:
//   desktop_x_window_probe DISPLAY_WINDOW OTHER_WINDOW
// prints three lines:
//   input_rectangles N   rectangles of the display's input shape (0: clicks go through it)
//   override_redirect B  1 when no window manager places or stacks it
//   above_other B        1 when the display's top-level window is stacked above the other's
// Window ids are decimal, as xdotool prints them. Exit code 1 when a window cannot be read.
#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> Own(T* reply) { return Reply<T>(reply, &std::free); }

// The window's ancestor that is a child of the root (a window manager may have framed it).
xcb_window_t TopLevel(xcb_connection_t* c, xcb_window_t w, xcb_window_t* root_out) {
  for (;;) {
    auto tree = Own(xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr));
    if (!tree) return XCB_WINDOW_NONE;
    *root_out = tree->root;
    if (tree->parent == tree->root || tree->parent == XCB_WINDOW_NONE) return w;
    w = tree->parent;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: desktop_x_window_probe DISPLAY_WINDOW OTHER_WINDOW\n");
    return 2;
  }
  const auto display_window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 10));
  const auto other_window = static_cast<xcb_window_t>(std::strtoul(argv[2], nullptr, 10));
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) {
    std::fprintf(stderr, "desktop_x_window_probe: no X server\n");
    return 1;
  }
  int rc = 0;
  auto rects = Own(xcb_shape_get_rectangles_reply(c, xcb_shape_get_rectangles(c, display_window, XCB_SHAPE_SK_INPUT), nullptr));
  auto attrs = Own(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, display_window), nullptr));
  xcb_window_t root = XCB_WINDOW_NONE;
  const xcb_window_t top_display = TopLevel(c, display_window, &root);
  const xcb_window_t top_other = TopLevel(c, other_window, &root);
  auto tree = root != XCB_WINDOW_NONE ? Own(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr)) : Own<xcb_query_tree_reply_t>(nullptr);
  if (!rects || !attrs || !tree || top_display == XCB_WINDOW_NONE || top_other == XCB_WINDOW_NONE) {
    std::fprintf(stderr, "desktop_x_window_probe: window %s or %s cannot be read\n", argv[1], argv[2]);
    rc = 1;
  } else {
    // The root's children come bottom first.
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    int at_display = -1, at_other = -1;
    for (int i = 0; i < count; ++i) {
      if (children[i] == top_display) at_display = i;
      if (children[i] == top_other) at_other = i;
    }
    std::printf("input_rectangles %d\n", xcb_shape_get_rectangles_rectangles_length(rects.get()));
    std::printf("override_redirect %d\n", attrs->override_redirect ? 1 : 0);
    std::printf("above_other %d\n", at_display > at_other && at_other >= 0 ? 1 : 0);
  }
  xcb_disconnect(c);
  return rc;
}
