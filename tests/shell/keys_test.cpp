#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>

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

TEST_F(KeyTest, KeyNumbersAgreeWithSdlsKeyNames) {
  // Checked against SDL's own names, not against the table: letters and digits
  // are their characters, F-keys their numbers, and no two differently named
  // keys share a number except the pairs that are one key to a viewer.
  std::map<int, std::set<std::string>> names;
  std::vector<SDL_Keycode> keys;
  for (SDL_Keycode key = 1; key < 0x80; ++key) keys.push_back(key);  // the character keys
  for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode)
    keys.push_back(SDL_SCANCODE_TO_KEYCODE(scancode));
  for (SDL_Keycode key : keys) {
    int vk = VirtualKeyFromKeycode(key);
    if (vk < 0) continue;
    std::string name = SDL_GetKeyName(key);
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
      EXPECT_EQ(name, std::string(1, vk));
    }
    if (vk >= 112 && vk <= 135) {
      EXPECT_EQ(name, "F" + std::to_string(vk - 111));
    }
    for (const char* side : {"Left ", "Right "})
      if (name.rfind(side, 0) == 0) name.erase(0, std::strlen(side));
    if (name == "Keypad Enter") name = "Return";
    names[vk].insert(name);
  }
  EXPECT_EQ(names[27], std::set<std::string>{"Escape"});
  for (const auto& [vk, named] : names)
    EXPECT_EQ(named.size(), 1u) << "number " << vk << " is shared by " << *named.begin()
                                << " and " << *named.rbegin();
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
  SetGlWindowSize(showPictureWidth, showPictureHeight);
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
