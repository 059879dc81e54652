// The main window's part in a live room: the stream's messages, the room's clock, the
// ルーム menu with its join dialog, and the room's status in the window title.
#pragma once

#include <windows.h>

namespace dz::win32 {

// Starts the room on the main window, after the core's start-up: the ports, the 100 ms
// timer. `title` is the program's title, which the window keeps outside a room.
void StartRoom(HWND window, HINSTANCE instance, const wchar_t* title);

// Handles a message of the room (the stream's private messages, the room's timer and the
// ルーム menu's commands); false for any other message.
bool HandleRoomMessage(UINT message, WPARAM wParam, LPARAM lParam);

// Where a created room's link points and which broker it names: the environment's
// DOZERO_PAGE, DOZERO_BROKER_WS and DOZERO_BROKER_TCP, else these.
constexpr char kDefaultPage[] = "http://127.0.0.1:8000/";
constexpr char kDefaultBrokerWs[] = "ws://127.0.0.1:9001";
constexpr char kDefaultBrokerTcp[] = "127.0.0.1:1883";

}  // namespace dz::win32
