list(APPEND CORE_SOURCES ui/geometry.cpp ui/focus.cpp ui/tray_model.cpp ui/badge_pixels.cpp
  ui/placement.cpp ui/theme.cpp ui/dashboard_text.cpp ui/accessible.cpp)
list(APPEND WIN32_SOURCES ui/theme_win32.cpp ui/fonts_win32.cpp ui/dashboard_win32.cpp
  ui/tray_icon_win32.cpp ui/tray_size_win32.cpp ui/badge_win32.cpp ui/tray_menu_win32.cpp ui/placement_win32.cpp ui/controls_win32.cpp
  ui/draw_win32.cpp ui/charts_win32.cpp ui/window_manager_win32.cpp ui/keyboard_win32.cpp ui/accessible_win32.cpp)
