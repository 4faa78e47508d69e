#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>

#include "glrec/glrec.h"
#include "shell/events.h"
#include "shell/keys.h"
#include "shell/window.h"

namespace {

class KeyTest : public testing::Test {
 protected:
  void SetUp() override { std::memset(KeyState, 0, sizeof KeyState); }
};

SDL_Event KeyEvent(Uint32 type, SDL_Keycode key, Uint16 mod) {
  SDL_Event event{};
  event.type = type;
  event.key.type = type;
  event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.sym = key;
  event.key.keysym.mod = mod;
  return event;
}

int KeysDown() {
  int count = 0;
  for (int flag : KeyState) count += flag;
  return count;
}

TEST_F(KeyTest, KeycodesMapToVirtualKeyNumbers) {
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_ESCAPE), 27);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_a), 'A');
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_z), 'Z');
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_0), '0');
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_9), '9');
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_SPACE), 32);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_RETURN), 13);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_BACKSPACE), 8);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_TAB), 9);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_LEFT), 37);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_UP), 38);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_RIGHT), 39);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_DOWN), 40);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_F1), 112);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_F12), 123);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_LSHIFT), 16);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_RCTRL), 17);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_DELETE), 46);  // its keycode is 127, not a VK number
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_KP_0), 96);
  EXPECT_EQ(VirtualKeyFromKeycode(SDLK_KP_9), 105);
}

TEST_F(KeyTest, KeysWithoutANumberAreIgnored) {
  // Unicode keycodes (a Finnish layout's 'ä') and scancode-based ones beyond the
  // table must never index it.
  const SDL_Keycode strangers[] = {0xE4, 0x20AC, SDLK_AUDIOPLAY, SDLK_AC_BACK, SDLK_UNKNOWN,
                                   static_cast<SDL_Keycode>(0x7FFFFFFF), -5};
  for (SDL_Keycode key : strangers) {
    EXPECT_EQ(VirtualKeyFromKeycode(key), -1) << key;
    ApplyKeyEvent(true, key, KMOD_NONE);
  }
  EXPECT_EQ(KeysDown(), 0);
}

TEST_F(KeyTest, EveryMappedKeyStaysInsideTheTable) {
  for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) {
    SDL_Keycode key = SDL_SCANCODE_TO_KEYCODE(scancode);
    int vk = VirtualKeyFromKeycode(key);
    EXPECT_TRUE(vk == -1 || (vk > 0 && vk < 256)) << "scancode " << scancode << " gives " << vk;
  }
  for (SDL_Keycode key = 0; key < 0x3000; ++key) {
    int vk = VirtualKeyFromKeycode(key);
    EXPECT_TRUE(vk == -1 || (vk > 0 && vk < 256)) << "keycode " << key << " gives " << vk;
  }
}

TEST_F(KeyTest, DownSetsAndUpClears) {
  HandleDemoEvent(KeyEvent(SDL_KEYDOWN, SDLK_ESCAPE, KMOD_NONE));
  HandleDemoEvent(KeyEvent(SDL_KEYDOWN, SDLK_q, KMOD_LSHIFT));
  EXPECT_EQ(KeyState[27], 1);
  EXPECT_EQ(KeyState['Q'], 1);
  EXPECT_EQ(KeysDown(), 2);
  HandleDemoEvent(KeyEvent(SDL_KEYUP, SDLK_ESCAPE, KMOD_NONE));
  EXPECT_EQ(KeyState[27], 0);
  EXPECT_EQ(KeyState['Q'], 1);
}

TEST_F(KeyTest, KeysWithAltHeldAreSystemKeysAndLeaveTheTable) {
  HandleDemoEvent(KeyEvent(SDL_KEYDOWN, SDLK_ESCAPE, KMOD_LALT));
  HandleDemoEvent(KeyEvent(SDL_KEYDOWN, SDLK_F4, KMOD_RALT));
  EXPECT_EQ(KeysDown(), 0);
  // A key that went down plainly and comes up with Alt held stays down.
  HandleDemoEvent(KeyEvent(SDL_KEYDOWN, SDLK_ESCAPE, KMOD_NONE));
  HandleDemoEvent(KeyEvent(SDL_KEYUP, SDLK_ESCAPE, KMOD_LALT));
  EXPECT_EQ(KeyState[27], 1);
}

TEST(WindowEventTest, SizeChangeResizesTheViewport) {
  glWindow.width = 640;
  glWindow.height = 480;
  GlrecReset();
  GlrecSetMode(GlrecRecord);
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
  event.window.data1 = 320;
  event.window.data2 = 0;
  HandleDemoEvent(event);
  EXPECT_EQ(GlrecCallsNamed("glViewport"), std::vector<std::string>{"glViewport 0 0 320 1"})
      << GlrecJoined();
  EXPECT_EQ(GlrecCallsNamed("gluPerspective"),
            std::vector<std::string>{"gluPerspective 45 320 0.10000000000000001 10000"});
  // The size asked for at creation stays: the object scenes take their aspect from it.
  EXPECT_EQ(glWindow.width, 640);
  EXPECT_EQ(glWindow.height, 480);
}

TEST(WindowEventDeathTest, CloseRequestsEndTheProcessWithStatusZero) {
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  EXPECT_EXIT(HandleDemoEvent(quit), testing::ExitedWithCode(0), "");
  SDL_Event close{};
  close.type = SDL_WINDOWEVENT;
  close.window.event = SDL_WINDOWEVENT_CLOSE;
  EXPECT_EXIT(HandleDemoEvent(close), testing::ExitedWithCode(0), "");
}

}  // namespace
