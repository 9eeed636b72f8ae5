// Which 2D driver a program gets, each case in a process of its own (the choice is made once):
// OpenGL ES wherever it can draw, the OpenGL driver with VEKTOR_SWARM_GRAPHICS=opengl, and the
// OpenGL driver, with one line said only when gles was asked for, where no ES or 3.3 core
// context can be made or the shaders do not build.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <string>

#include "gfx/draw2d.h"
#include "gfx/gles/gles_draw2d_internal.h"
#include "stream/core.h"

namespace {

// Opens a screen as a program does and says which driver drew it; exit code 3 when none.
[[noreturn]] void OpenAndSay(const char* knob) {
  if (knob) {
    setenv("VEKTOR_SWARM_GRAPHICS", knob, 1);
  } else {
    unsetenv("VEKTOR_SWARM_GRAPHICS");
  }
  StartDraw2DGraphics();
  TGraphicsPtr g = OpenGraphics(64, 48, 0, 0, 0);
  if (!g) std::exit(3);
  SetDrawColor(255, 0, 0);
  FillRect(0, 0, 64, 48);
  const uint32_t pixel = GrabScreenPixmap(10, 10, 1, 1)->ReadPixel(0, 0) & 0xFFFFFF;
  std::fprintf(stderr, "driver: %s, red %s\n", TextToUtf8(CurrentGraphicsDriver()->ToString()).c_str(),
               pixel == 0xFF0000 ? "drawn" : "missing");
  std::exit(0);
}

const std::vector<TGLContextApi> kNoneToBeHad = {{SDL_GL_CONTEXT_PROFILE_ES, 9, 9},
                                                 {SDL_GL_CONTEXT_PROFILE_CORE, 9, 9}};

class GraphicsDriverChoice : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(GraphicsDriverChoice, OpenGLESWhereverItCanDrawWithNothingSaid) {
  EXPECT_EXIT(OpenAndSay(nullptr), ::testing::ExitedWithCode(0), "^driver: OpenGL ES, red drawn\n$");
  EXPECT_EXIT(OpenAndSay("gles"), ::testing::ExitedWithCode(0), "^driver: OpenGL ES, red drawn\n$");
}

TEST_F(GraphicsDriverChoice, TheKnobPicksTheOpenGLDriver) {
  EXPECT_EXIT(OpenAndSay("opengl"), ::testing::ExitedWithCode(0), "^driver: OpenGL, red drawn\n$");
}

TEST_F(GraphicsDriverChoice, AnUnknownKnobValueIsNamedInOneLine) {
  EXPECT_EXIT(OpenAndSay("vulkan"), ::testing::ExitedWithCode(0),
              "^VEKTOR_SWARM_GRAPHICS=vulkan is not known[^\n]*\ndriver: OpenGL ES, red drawn\n$");
}

TEST_F(GraphicsDriverChoice, NoContextAtTheVersionAskedHandsOverToOpenGL) {
  EXPECT_EXIT(
      {
        GLESAskForContexts(kNoneToBeHad);
        OpenAndSay(nullptr);
      },
      ::testing::ExitedWithCode(0), "^driver: OpenGL, red drawn\n$");
  EXPECT_EXIT(
      {
        GLESAskForContexts(kNoneToBeHad);
        OpenAndSay("gles");
      },
      ::testing::ExitedWithCode(0),
      "^VEKTOR_SWARM_GRAPHICS=gles: no OpenGL ES 3.0 or OpenGL 3.3 core drawing here[^\n]*; using "
      "OpenGL\ndriver: OpenGL, red drawn\n$");
}

TEST_F(GraphicsDriverChoice, AShaderThatDoesNotBuildIsLoggedInOneLineAndHandsOver) {
  // The real compile and link steps, fed sources that fail them.
  EXPECT_EXIT(
      {
        GLESSetShaderBodies("", "out vec4 o_color;\nvoid main() {\n  o_color = undefined_name;\n}\n");
        OpenAndSay(nullptr);
      },
      ::testing::ExitedWithCode(0),
      "^OpenGL ES driver: the fragment shader does not compile: [^\n]*undefined_name[^\n]*\n"
      "driver: OpenGL, red drawn\n$");
  EXPECT_EXIT(
      {
        GLESSetShaderBodies("void main() {\n  gl_Position = vec4(0.0);\n}\n",
                            "in vec4 v_never_written;\nout vec4 o_color;\nvoid main() {\n"
                            "  o_color = v_never_written;\n}\n");
        OpenAndSay(nullptr);
      },
      ::testing::ExitedWithCode(0),
      "^OpenGL ES driver: the shaders do not link: [^\n]+\ndriver: OpenGL, red drawn\n$");
}

}  // namespace
