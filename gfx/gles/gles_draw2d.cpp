#include "gfx/gles/gles_draw2d.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "gfx/gles/gles_draw2d_internal.h"
#include "gfx/image.h"
#include "gfx/opengl/gl_draw2d.h"
#include "gfx/opengl/gl_draw2d_internal.h"
#include "stream/core.h"

// Array textures: one name, layers of one size; the frames of up to GLESCellSize texels share
// pooled ones of that size, larger frames get one of their own with a single layer.
struct TGLESTextureArray {
  GLuint name = 0;
  int32_t size_w = 0, size_h = 0;  // of each layer at level 0
  int32_t levels = 1;
  int32_t capacity = 1;
  bool pooled = false;
  int32_t next_layer = 0;
  std::vector<int32_t> free_layers;
};

namespace {

constexpr GLenum kTextureArray = 0x8C1A;  // GL_TEXTURE_2D_ARRAY
constexpr GLenum kProgramPointSize = 0x8642;
constexpr GLuint kPosition = 0, kTexCoord = 1, kColor = 2;

struct TVertex {
  float x, y;
  float u, v, layer;
  uint8_t rgba[4];
};

const char* const kVertexBody = R"(
uniform vec4 u_view;
in vec2 a_pos;
in vec3 a_tex;
in vec4 a_color;
out vec3 v_tex;
flat out vec4 v_color;
void main() {
  gl_Position = vec4(a_pos * u_view.xy + u_view.zw, 0.0, 1.0);
  gl_PointSize = 1.0;
  v_tex = a_tex;
  v_color = a_color;
}
)";

// Textures are tinted by the colour (modulate); BlendMask is an alpha test at one half.
const char* const kFragmentBody = R"(
uniform sampler2DArray u_tex;
uniform float u_alpha_ref;
in vec3 v_tex;
flat in vec4 v_color;
out vec4 o_color;
void main() {
  vec4 c = texture(u_tex, v_tex) * v_color;
  if (c.a < u_alpha_ref) discard;
  o_color = c;
}
)";

struct TDriverState {
  int ready = 0;  // 0 not tried, 1 drawing, -1 handed over to the OpenGL driver
  std::string vertex_body = kVertexBody, fragment_body = kFragmentBody;
  GLuint program = 0, vbo = 0;
  GLint u_view = -1, u_alpha_ref = -1, u_tex = -1;
  std::shared_ptr<TGLESTextureArray> white;
  std::vector<std::shared_ptr<TGLESTextureArray>> pools[4];  // by ImageFiltered | ImageMipmapped
  int32_t max_texture = 0, max_layers = 0;
  float max_line_width = 1.0f;
  std::map<SDL_GLContext, GLuint> vaos;

  // The batch.
  std::vector<TVertex> vertices;
  GLuint batch_texture = 0;
  GLenum batch_mode = GL_TRIANGLES;

  // Caches of the current context, reset by ResetGLContext.
  int32_t applied_blend = 0;
  GLuint bound_texture = 0;
  float line_width = 1.0f;
  float m_ix = 1.0f, m_iy = 0.0f, m_jx = 0.0f, m_jy = 1.0f;
  uint8_t color[4] = {255, 255, 255, 255};
  bool layer_given_back = false;  // a pooled layer may be written again while still drawn from
  TGLESCounts counts;
  std::shared_ptr<TGLESTextureArray> scratch;  // DrawPixmap's picture
};

TDriverState& S() {
  static TDriverState* s = new TDriverState;  // textures may be given back during exit
  return *s;
}

TGLWindowHost& Host() { return GLESGraphicsHost(); }
const TGLProcs& GL() { return Host().GL(); }

uint8_t ClampByte(int32_t v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

void BindTexture(GLuint name) {
  TDriverState& s = S();
  if (name != s.bound_texture) {
    GL().BindTexture(kTextureArray, name);
    s.bound_texture = name;
  }
}

void Flush() {
  TDriverState& s = S();
  if (s.vertices.empty()) return;
  const TGLProcs& gl = GL();
  BindTexture(s.batch_texture);
  gl.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(s.vertices.size() * sizeof(TVertex)),
                s.vertices.data(), GL_STREAM_DRAW);
  gl.DrawArrays(s.batch_mode, 0, static_cast<GLsizei>(s.vertices.size()));
  ++s.counts.draws;
  s.vertices.clear();
}

// Starts or continues a batch of that texture and kind.
void Begin(GLuint texture, GLenum mode) {
  TDriverState& s = S();
  if (!s.vertices.empty() && (texture != s.batch_texture || mode != s.batch_mode)) Flush();
  s.batch_texture = texture;
  s.batch_mode = mode;
}

void Put(float x, float y, float u, float v, float layer) {
  TDriverState& s = S();
  TVertex vx{x, y, u, v, layer, {s.color[0], s.color[1], s.color[2], s.color[3]}};
  s.vertices.push_back(vx);
}

// A local point turned by the matrix and moved by (tx, ty).
void PutLocal(float x, float y, float tx, float ty, float u = 0.0f, float v = 0.0f,
              float layer = 0.0f) {
  const TDriverState& s = S();
  Put(x * s.m_ix + y * s.m_iy + tx, x * s.m_jx + y * s.m_jy + ty, u, v, layer);
}

// Two triangles of a quad given corner by corner, as OpenGL splits a quad.
void PutQuad(const float (&xy)[4][2], const float (&uv)[4][2], float layer) {
  for (int i : {0, 1, 2, 0, 2, 3}) Put(xy[i][0], xy[i][1], uv[i][0], uv[i][1], layer);
}

void ApplyBlend(int32_t mode) {
  const TGLProcs& gl = GL();
  const TDriverState& s = S();
  float alpha_ref = -1.0f;
  switch (mode) {
    case BlendMask:
      gl.Disable(GL_BLEND);
      alpha_ref = 0.5f;
      break;
    case BlendAlpha:
      gl.Enable(GL_BLEND);
      gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      break;
    case BlendAdd:
      gl.Enable(GL_BLEND);
      gl.BlendFunc(GL_SRC_ALPHA, GL_ONE);
      break;
    case BlendMultiply:
      gl.Enable(GL_BLEND);
      gl.BlendFunc(GL_DST_COLOR, GL_ZERO);
      break;
    default:  // BlendSolid and anything unknown
      gl.Disable(GL_BLEND);
      break;
  }
  gl.Uniform1f(s.u_alpha_ref, alpha_ref);
}

std::string Source(const std::string& body, bool fragment) {
  if (Host().Api().Es()) {
    return std::string("#version 300 es\n") +
           (fragment ? "precision highp float;\nprecision highp sampler2DArray;\n" : "") + body;
  }
  return "#version 330 core\n" + body;
}

// The compiler's or linker's log as one line.
std::string OneLine(std::string log) {
  for (char& c : log)
    if (c == '\n' || c == '\r') c = ' ';
  while (!log.empty() && log.back() == ' ') log.pop_back();
  return log.empty() ? "no log" : log;
}

GLuint Compile(GLenum kind, const std::string& source) {
  const TGLProcs& gl = GL();
  GLuint shader = gl.CreateShader(kind);
  const char* text = source.c_str();
  gl.ShaderSource(shader, 1, &text, nullptr);
  gl.CompileShader(shader);
  GLint ok = 0;
  gl.GetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok) return shader;
  GLint length = 0;
  gl.GetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
  std::string log(static_cast<size_t>(std::max(length, 1)), '\0');
  gl.GetShaderInfoLog(shader, length, nullptr, log.data());
  log.resize(std::strlen(log.c_str()));
  std::fprintf(stderr, "OpenGL ES driver: the %s shader does not compile: %s\n",
               kind == GL_VERTEX_SHADER ? "vertex" : "fragment", OneLine(log).c_str());
  gl.DeleteShader(shader);
  return 0;
}

GLuint MakeTextureArray(int32_t w, int32_t h, int32_t layers, int32_t flags, int32_t levels) {
  const TGLProcs& gl = GL();
  GLuint name = 0;
  gl.GenTextures(1, &name);
  gl.BindTexture(kTextureArray, name);  // the shared context's own binding, not the cache's
  gl.TexParameteri(kTextureArray, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  gl.TexParameteri(kTextureArray, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  const bool mipmapped = flags & ImageMipmapped;
  if (flags & ImageFiltered) {
    gl.TexParameteri(kTextureArray, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.TexParameteri(kTextureArray, GL_TEXTURE_MIN_FILTER,
                     mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
  } else {
    gl.TexParameteri(kTextureArray, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl.TexParameteri(kTextureArray, GL_TEXTURE_MIN_FILTER,
                     mipmapped ? GL_NEAREST_MIPMAP_NEAREST : GL_NEAREST);
  }
  for (int32_t level = 0; level < levels; ++level) {
    gl.TexImage3D(kTextureArray, level, GL_RGBA8, w, h, layers, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                  nullptr);
    if (w > 1) w /= 2;
    if (h > 1) h /= 2;
  }
  return name;
}

int32_t LevelCount(int32_t w, int32_t h, bool mipmapped) {
  int32_t levels = 1;
  while (mipmapped && (w > 1 || h > 1)) {
    if (w > 1) w /= 2;
    if (h > 1) h /= 2;
    ++levels;
  }
  return levels;
}

// Writes a w x h block of the pixmap from (x, y) into the layer at (dx, dy).
void Upload(const TPixmapPtr& p, int32_t level, int32_t layer, int32_t x, int32_t y, int32_t w,
            int32_t h, int32_t dx, int32_t dy) {
  const TGLProcs& gl = GL();
  gl.PixelStorei(GL_UNPACK_ROW_LENGTH, p->pitch / 4);
  gl.TexSubImage3D(kTextureArray, level, dx, dy, layer, w, h, 1, GL_RGBA, GL_UNSIGNED_BYTE,
                   p->PixelPtr(x, y));
}

// Fills one layer from the texture source: every level of the array gets the matching level
// of the source (its 1 x 1 level once the source has no smaller), and where the layer is
// larger than the source, the source's last column and row are smeared one texel on, as the
// edge of a texture of the source's own size would be clamped.
void FillLayer(const TGLESTextureArray& array, int32_t layer, TPixmapPtr level_pixmap,
               int32_t flags) {
  const bool mipmapped = flags & ImageMipmapped;
  int32_t lw = array.size_w, lh = array.size_h;
  for (int32_t level = 0; level < array.levels; ++level) {
    const TPixmapPtr& p = level_pixmap;
    const int32_t w = p->width, h = p->height;
    Upload(p, level, layer, 0, 0, w, h, 0, 0);
    if (w < lw) Upload(p, level, layer, w - 1, 0, 1, h, w, 0);
    if (h < lh) Upload(p, level, layer, 0, h - 1, w, 1, 0, h);
    if (w < lw && h < lh) Upload(p, level, layer, w - 1, h - 1, 1, 1, w, h);
    if (!mipmapped) break;
    if (TPixmapPtr next = NextMipLevel(level_pixmap)) level_pixmap = next;
    if (lw > 1) lw /= 2;
    if (lh > 1) lh /= 2;
  }
  GL().PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

// A layer of a pooled array for frames of that filtering; a new array when all are full.
std::shared_ptr<TGLESTextureArray> TakeLayer(int32_t key, int32_t& layer) {
  TDriverState& s = S();
  auto& pool = s.pools[key >> 1];  // ImageFiltered is 2, ImageMipmapped 4
  for (auto& a : pool) {
    if (!a->free_layers.empty()) {
      layer = a->free_layers.back();
      a->free_layers.pop_back();
      return a;
    }
    if (a->next_layer < a->capacity) {
      layer = a->next_layer++;
      return a;
    }
  }
  auto a = std::make_shared<TGLESTextureArray>();
  a->pooled = true;
  a->size_w = a->size_h = GLESCellSize;
  a->levels = LevelCount(GLESCellSize, GLESCellSize, key & ImageMipmapped);
  a->capacity = std::max(1, std::min(256, s.max_layers));
  a->name = MakeTextureArray(a->size_w, a->size_h, a->capacity, key, a->levels);
  pool.push_back(a);
  layer = a->next_layer++;
  return a;
}

void DeleteTexture(GLuint name) {
  TGLKeepCurrent keep;
  if (Host().MakeSharedCurrent()) GL().DeleteTextures(1, &name);
  keep.Restore();
  // The name may come back for a new texture; the current context must then bind again.
  if (S().bound_texture == name) S().bound_texture = 0;
}

std::shared_ptr<TGLESImageFrame> MakeFrame(const TPixmapPtr& pixmap, int32_t flags) {
  if (!pixmap || pixmap->width <= 0 || pixmap->height <= 0) return nullptr;
  int32_t tex_w = pixmap->width, tex_h = pixmap->height;
  GLESAdjustTexSize(tex_w, tex_h);
  int32_t used_w = 0, used_h = 0;
  TPixmapPtr src = TextureSource(pixmap, tex_w, tex_h, used_w, used_h);
  if (!src) return nullptr;
  const int32_t key = flags & (ImageFiltered | ImageMipmapped);
  auto frame = std::make_shared<TGLESImageFrame>();
  int32_t layer = 0;
  if (tex_w <= GLESCellSize && tex_h <= GLESCellSize) {
    frame->_array = TakeLayer(key, layer);
  } else {
    auto a = std::make_shared<TGLESTextureArray>();
    a->size_w = tex_w;
    a->size_h = tex_h;
    a->levels = LevelCount(tex_w, tex_h, key & ImageMipmapped);
    a->name = MakeTextureArray(tex_w, tex_h, 1, key, a->levels);
    frame->_array = a;
  }
  const TGLESTextureArray& a = *frame->_array;
  GL().BindTexture(kTextureArray, a.name);
  FillLayer(a, layer, src, key);
  frame->layer = static_cast<float>(layer);
  frame->u0 = frame->v0 = 0.0f;
  frame->u1 = static_cast<float>(used_w) / static_cast<float>(a.size_w);
  frame->v1 = static_cast<float>(used_h) / static_cast<float>(a.size_h);
  frame->seq = GraphicsSeq();
  return frame;
}

// With the hidden context current: the program, the vertex buffer, the white texture of
// untextured drawing and the limits. False when the program does not build.
bool SetUp() {
  TDriverState& s = S();
  const TGLProcs& gl = GL();
  if (!gl.base || !gl.shaders) {
    std::fprintf(stderr, "OpenGL ES driver: the context lacks entry points it needs\n");
    return false;
  }
  s.program = GLESBuildProgram(s.vertex_body, s.fragment_body);
  if (!s.program) return false;
  s.u_view = gl.GetUniformLocation(s.program, "u_view");
  s.u_alpha_ref = gl.GetUniformLocation(s.program, "u_alpha_ref");
  s.u_tex = gl.GetUniformLocation(s.program, "u_tex");
  gl.GenBuffers(1, &s.vbo);
  GLint value = 0;
  gl.GetIntegerv(GL_MAX_TEXTURE_SIZE, &value);
  s.max_texture = value;
  value = 0;
  gl.GetIntegerv(0x88FF, &value);  // GL_MAX_ARRAY_TEXTURE_LAYERS
  s.max_layers = value;
  GLfloat range[2] = {1.0f, 1.0f};
  gl.GetFloatv(GL_ALIASED_LINE_WIDTH_RANGE, range);
  s.max_line_width = std::max(1.0f, range[1]);
  s.white = std::make_shared<TGLESTextureArray>();
  s.white->size_w = s.white->size_h = 1;
  s.white->name = MakeTextureArray(1, 1, 1, 0, 1);
  const uint8_t white[4] = {255, 255, 255, 255};
  gl.TexSubImage3D(kTextureArray, 0, 0, 0, 0, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, white);
  gl.Flush();
  return true;
}

bool handed_over_said = false;

// The first context decides whether this driver can draw at all.
bool Ready() {
  TDriverState& s = S();
  if (s.ready != 0) return s.ready > 0;
  TGLWindowHost& host = Host();
  s.ready = -1;
  if (host.EnsureShared()) {
    TGLKeepCurrent keep;
    host.MakeSharedCurrent();
    if (SetUp()) s.ready = 1;
    keep.Restore();
  }
  if (s.ready < 0) {
    const char* knob = std::getenv("VEKTOR_SWARM_GRAPHICS");
    if (knob && std::strcmp(knob, "gles") == 0 && !handed_over_said) {
      handed_over_said = true;
      std::fprintf(stderr,
                   "VEKTOR_SWARM_GRAPHICS=gles: no OpenGL ES 3.0 or OpenGL 3.3 core drawing "
                   "here (%s); using OpenGL\n",
                   SDL_GetError()[0] ? SDL_GetError() : "its shaders do not build");
    }
    // The front end then carries on with the OpenGL driver as if it had been chosen.
    if (CurrentGraphicsDriver() == &TheGLESDraw2DDriver())
      SelectGraphicsDriver(&TheGLDraw2DDriver(), GraphicsDefaultFlags());
  }
  return s.ready > 0;
}

void ReleaseContext(GLWindowContext* rec) {
  TDriverState& s = S();
  auto it = s.vaos.find(rec->context);
  if (it == s.vaos.end()) return;
  GL().DeleteVertexArrays(1, &it->second);
  s.vaos.erase(it);
}

}  // namespace

void GLESAdjustTexSize(int32_t& width, int32_t& height) {
  const int32_t max = S().max_texture;
  int32_t w = NextPow2(width), h = NextPow2(height);
  while (w > max || h > max) {
    if (w == 1 && h == 1) throw TRuntimeError("Unable to calculate tex size");
    if (w > 1) w /= 2;
    if (h > 1) h /= 2;
  }
  width = w;
  height = h;
}

TGLESCounts GLESDrawCounts() { return S().counts; }

void GLESSetShaderBodies(const std::string& vertex_body, const std::string& fragment_body) {
  S().vertex_body = vertex_body.empty() ? kVertexBody : vertex_body;
  S().fragment_body = fragment_body.empty() ? kFragmentBody : fragment_body;
}

bool GLESHandedOver() { return S().ready < 0; }

uint32_t GLESBuildProgram(const std::string& vertex_body, const std::string& fragment_body) {
  const TGLProcs& gl = GL();
  GLuint vs = Compile(GL_VERTEX_SHADER, Source(vertex_body, false));
  if (!vs) return 0;
  GLuint fs = Compile(GL_FRAGMENT_SHADER, Source(fragment_body, true));
  if (!fs) {
    gl.DeleteShader(vs);
    return 0;
  }
  GLuint program = gl.CreateProgram();
  gl.AttachShader(program, vs);
  gl.AttachShader(program, fs);
  gl.BindAttribLocation(program, kPosition, "a_pos");
  gl.BindAttribLocation(program, kTexCoord, "a_tex");
  gl.BindAttribLocation(program, kColor, "a_color");
  gl.LinkProgram(program);
  gl.DeleteShader(vs);
  gl.DeleteShader(fs);
  GLint ok = 0;
  gl.GetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok) return program;
  GLint length = 0;
  gl.GetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
  std::string log(static_cast<size_t>(std::max(length, 1)), '\0');
  gl.GetProgramInfoLog(program, length, nullptr, log.data());
  log.resize(std::strlen(log.c_str()));
  std::fprintf(stderr, "OpenGL ES driver: the shaders do not link: %s\n", OneLine(log).c_str());
  gl.DeleteProgram(program);
  return 0;
}

TGLESImageFrame::~TGLESImageFrame() {
  if (seq == 0 || !_array) return;
  seq = 0;
  if (!Host().SharedAlive()) return;
  TDriverState& s = S();
  // A batch may still hold this frame's texels.
  if (s.batch_texture == _array->name) Flush();
  if (_array->pooled) {
    _array->free_layers.push_back(static_cast<int32_t>(layer));
    s.layer_given_back = true;
  } else {
    DeleteTexture(_array->name);
  }
}

void TGLESImageFrame::Draw(float x0, float y0, float x1, float y1, float tx, float ty) {
  Begin(_array->name, GL_TRIANGLES);
  PutLocal(x0, y0, tx, ty, u0, v0, layer);
  PutLocal(x1, y0, tx, ty, u1, v0, layer);
  PutLocal(x1, y1, tx, ty, u1, v1, layer);
  PutLocal(x0, y0, tx, ty, u0, v0, layer);
  PutLocal(x1, y1, tx, ty, u1, v1, layer);
  PutLocal(x0, y1, tx, ty, u0, v1, layer);
}

std::vector<TGraphicsMode> TGLESDraw2DDriver::GraphicsModes() {
  return TheGLESGraphicsDriver().GraphicsModes();
}

TGraphicsPtr TGLESDraw2DDriver::AttachGraphics(const void* widget, int32_t flags) {
  if (!Ready()) return TheGLDraw2DDriver().AttachGraphics(widget, flags);
  TGraphicsPtr g = TheGLESGraphicsDriver().AttachGraphics(widget, flags);
  if (!g) return nullptr;
  return TDraw2DGraphics::Create(g, this);
}

TGraphicsPtr TGLESDraw2DDriver::CreateGraphics(int32_t width, int32_t height, int32_t depth,
                                               int32_t hertz, int32_t flags) {
  if (!Ready()) return TheGLDraw2DDriver().CreateGraphics(width, height, depth, hertz, flags);
  TGraphicsPtr g = TheGLESGraphicsDriver().CreateGraphics(width, height, depth, hertz, flags);
  if (!g) return nullptr;
  return TDraw2DGraphics::Create(g, this);
}

void TGLESDraw2DDriver::SetGraphics(const TGraphicsPtr& g) {
  Flush();
  if (!g) {
    TDraw2DGraphics::ClearCurrent();
    TheGLESGraphicsDriver().SetGraphics(nullptr);
    return;
  }
  auto d2 = std::dynamic_pointer_cast<TDraw2DGraphics>(g);
  if (!d2) {
    TheGLESGraphicsDriver().SetGraphics(g);
    return;
  }
  TheGLESGraphicsDriver().SetGraphics(d2->_graphics);
  ResetGLContext(g);
  d2->MakeCurrent();
}

void TGLESDraw2DDriver::Flip(int32_t sync) {
  Flush();
  TheGLESGraphicsDriver().Flip(sync);
}

int32_t TGLESDraw2DDriver::DisplayHertz() { return TheGLESGraphicsDriver().DisplayHertz(); }

void TGLESDraw2DDriver::FinishFrame() {
  Flush();
  TheGLESGraphicsDriver().FinishFrame();
  S().layer_given_back = false;
}

void TGLESDraw2DDriver::SetIcon(const std::shared_ptr<TPixmap>& pixmap) {
  TheGLESGraphicsDriver().SetIcon(pixmap);
}

void TGLESDraw2DDriver::ResetGLContext(const TGraphicsPtr& g) {
  TDriverState& s = S();
  if (s.ready <= 0) return;
  const TGLProcs& gl = GL();
  int32_t width = 0, height = 0, depth, hertz, flags;
  g->GetSettings(width, height, depth, hertz, flags);
  SDL_GLContext context = SDL_GL_GetCurrentContext();
  GLuint& vao = s.vaos[context];
  if (!vao) {
    // Vertex arrays belong to one context; the buffer and program are shared.
    gl.GenVertexArrays(1, &vao);
    gl.BindVertexArray(vao);
    gl.BindBuffer(GL_ARRAY_BUFFER, s.vbo);
    gl.EnableVertexAttribArray(kPosition);
    gl.EnableVertexAttribArray(kTexCoord);
    gl.EnableVertexAttribArray(kColor);
    gl.VertexAttribPointer(kPosition, 2, GL_FLOAT, GL_FALSE, sizeof(TVertex),
                           reinterpret_cast<const void*>(offsetof(TVertex, x)));
    gl.VertexAttribPointer(kTexCoord, 3, GL_FLOAT, GL_FALSE, sizeof(TVertex),
                           reinterpret_cast<const void*>(offsetof(TVertex, u)));
    gl.VertexAttribPointer(kColor, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(TVertex),
                           reinterpret_cast<const void*>(offsetof(TVertex, rgba)));
    if (!Host().Api().Es()) gl.Enable(kProgramPointSize);
  }
  gl.BindVertexArray(vao);
  gl.BindBuffer(GL_ARRAY_BUFFER, s.vbo);
  gl.UseProgram(s.program);
  gl.Uniform1i(s.u_tex, 0);
  // One unit is one pixel, y grows downwards: the projection glOrtho(0, w, h, 0, -1, 1) makes.
  gl.Uniform4f(s.u_view, 2.0f / static_cast<float>(std::max(width, 1)),
               -2.0f / static_cast<float>(std::max(height, 1)), -1.0f, 1.0f);
  gl.Viewport(0, 0, width, height);
  s.applied_blend = 0;
  s.bound_texture = 0;
  s.line_width = -1.0f;
}

TImageFramePtr TGLESDraw2DDriver::CreateFrameFromPixmap(const TPixmapPtr& pixmap, int32_t flags) {
  TDriverState& s = S();
  if (s.ready <= 0) return nullptr;
  Flush();
  // A layer given back may be written again while the renderer still draws from it.
  if (s.layer_given_back && SDL_GL_GetCurrentContext()) GL().Finish();
  s.layer_given_back = false;
  TGLKeepCurrent keep;
  if (!Host().MakeSharedCurrent()) return nullptr;
  std::shared_ptr<TGLESImageFrame> frame;
  try {
    frame = MakeFrame(pixmap, flags);
  } catch (...) {
    keep.Restore();
    throw;
  }
  GL().Flush();
  keep.Restore();
  return frame;
}

void TGLESDraw2DDriver::SetBlend(int32_t mode) {
  TDriverState& s = S();
  if (mode == s.applied_blend) return;
  Flush();
  s.applied_blend = mode;
  ApplyBlend(mode);
}

void TGLESDraw2DDriver::SetAlpha(float alpha) {
  float a = std::clamp(alpha, 0.0f, 1.0f);
  if (std::isnan(alpha)) a = 0.0f;
  S().color[3] = static_cast<uint8_t>(a * 255.0f);
}

void TGLESDraw2DDriver::SetColor(int32_t red, int32_t green, int32_t blue) {
  uint8_t* c = S().color;
  c[0] = ClampByte(red);
  c[1] = ClampByte(green);
  c[2] = ClampByte(blue);
}

void TGLESDraw2DDriver::SetClsColor(int32_t red, int32_t green, int32_t blue) {
  GL().ClearColor(ClampByte(red) / 255.0f, ClampByte(green) / 255.0f, ClampByte(blue) / 255.0f,
                  1.0f);
}

void TGLESDraw2DDriver::SetViewport(int32_t x, int32_t y, int32_t width, int32_t height) {
  Flush();
  const TGLProcs& gl = GL();
  int32_t cw = CurrentGraphicsWidth(), ch = CurrentGraphicsHeight();
  if (x == 0 && y == 0 && width == cw && height == ch) {
    gl.Disable(GL_SCISSOR_TEST);
  } else {
    gl.Enable(GL_SCISSOR_TEST);
    gl.Scissor(x, ch - y - height, std::max(width, 0), std::max(height, 0));
  }
}

void TGLESDraw2DDriver::SetTransform(float ix, float iy, float jx, float jy) {
  TDriverState& s = S();
  s.m_ix = ix;
  s.m_iy = iy;
  s.m_jx = jx;
  s.m_jy = jy;
}

void TGLESDraw2DDriver::SetLineWidth(float width) {
  TDriverState& s = S();
  if (width == s.line_width) return;
  if (s.batch_mode == GL_LINES) Flush();
  s.line_width = width;
  // Widths the context cannot draw are drawn as quads.
  if (width <= s.max_line_width) GL().LineWidth(width);
}

void TGLESDraw2DDriver::Cls() {
  Flush();
  GL().Clear(GL_COLOR_BUFFER_BIT);
  ++S().counts.clears;
}

void TGLESDraw2DDriver::Plot(float x, float y) {
  Begin(S().white->name, GL_POINTS);
  Put(x + 0.5f, y + 0.5f, 0.0f, 0.0f, 0.0f);
}

void TGLESDraw2DDriver::DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) {
  TDriverState& s = S();
  tx += 0.5f;
  ty += 0.5f;
  const float ax = x0 * s.m_ix + y0 * s.m_iy + tx, ay = x0 * s.m_jx + y0 * s.m_jy + ty;
  const float bx = x1 * s.m_ix + y1 * s.m_iy + tx, by = x1 * s.m_jx + y1 * s.m_jy + ty;
  if (s.line_width <= s.max_line_width) {
    Begin(s.white->name, GL_LINES);
    Put(ax, ay, 0.0f, 0.0f, 0.0f);
    Put(bx, by, 0.0f, 0.0f, 0.0f);
    return;
  }
  // As the library widens a line: across its minor axis, by the width.
  const float half = s.line_width * 0.5f;
  const bool x_major = std::fabs(bx - ax) >= std::fabs(by - ay);
  const float ox = x_major ? 0.0f : half, oy = x_major ? half : 0.0f;
  const float xy[4][2] = {{ax - ox, ay - oy}, {bx - ox, by - oy}, {bx + ox, by + oy}, {ax + ox, ay + oy}};
  const float uv[4][2] = {};
  Begin(s.white->name, GL_TRIANGLES);
  PutQuad(xy, uv, 0.0f);
}

void TGLESDraw2DDriver::DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) {
  Begin(S().white->name, GL_TRIANGLES);
  PutLocal(x0, y0, tx, ty);
  PutLocal(x1, y0, tx, ty);
  PutLocal(x1, y1, tx, ty);
  PutLocal(x0, y0, tx, ty);
  PutLocal(x1, y1, tx, ty);
  PutLocal(x0, y1, tx, ty);
}

void TGLESDraw2DDriver::DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) {
  const TDriverState& s = S();
  float xr = (x1 - x0) * 0.5f, yr = (y1 - y0) * 0.5f;
  float cx = x0 + xr, cy = y0 + yr;
  int32_t n = OvalSegments(x1 - x0, y1 - y0);
  std::vector<float> points;
  points.reserve(static_cast<size_t>(n) * 2);
  for (int32_t i = 0; i < n; ++i) {
    double angle = i * 360.0 / n * 3.14159265358979323846 / 180.0;
    const float x = cx + xr * static_cast<float>(std::cos(angle));
    const float y = cy - yr * static_cast<float>(std::sin(angle));
    points.push_back(x * s.m_ix + y * s.m_iy + tx);
    points.push_back(x * s.m_jx + y * s.m_jy + ty);
  }
  Begin(s.white->name, GL_TRIANGLES);
  // A polygon is a fan of triangles from its first corner.
  for (size_t i = 2; i + 1 < points.size(); i += 2) {
    Put(points[0], points[1], 0.0f, 0.0f, 0.0f);
    Put(points[i - 2], points[i - 1], 0.0f, 0.0f, 0.0f);
    Put(points[i], points[i + 1], 0.0f, 0.0f, 0.0f);
  }
}

void TGLESDraw2DDriver::DrawPoly(const std::vector<float>& xy, float handle_x, float handle_y,
                                 float origin_x, float origin_y) {
  if (xy.size() < 6 || xy.size() % 2 != 0) return;
  const TDriverState& s = S();
  std::vector<float> points(xy.size());
  for (size_t i = 0; i < xy.size(); i += 2) {
    float x = xy[i] + handle_x, y = xy[i + 1] + handle_y;
    points[i] = x * s.m_ix + y * s.m_iy + origin_x;
    points[i + 1] = x * s.m_jx + y * s.m_jy + origin_y;
  }
  Begin(s.white->name, GL_TRIANGLES);
  for (size_t i = 4; i + 1 < points.size(); i += 2) {
    Put(points[0], points[1], 0.0f, 0.0f, 0.0f);
    Put(points[i - 2], points[i - 1], 0.0f, 0.0f, 0.0f);
    Put(points[i], points[i + 1], 0.0f, 0.0f, 0.0f);
  }
}

void TGLESDraw2DDriver::DrawPixmap(const TPixmapPtr& pixmap, int32_t x, int32_t y) {
  if (!pixmap || pixmap->width <= 0 || pixmap->height <= 0) return;
  TDriverState& s = S();
  if (s.ready <= 0) return;
  TPixmapPtr rgba = pixmap->format == RGBA32 ? pixmap : pixmap->Convert(RGBA32);
  if (!rgba) return;
  Flush();
  const TGLProcs& gl = GL();
  // A texture of the pixmap's own size, drawn unfiltered one texel to a pixel; it lives in the
  // current context's share group and is made anew only when the size changes.
  if (!s.scratch || s.scratch->size_w != rgba->width || s.scratch->size_h != rgba->height) {
    if (s.scratch) gl.DeleteTextures(1, &s.scratch->name);
    s.scratch = std::make_shared<TGLESTextureArray>();
    s.scratch->size_w = rgba->width;
    s.scratch->size_h = rgba->height;
    s.scratch->name = MakeTextureArray(rgba->width, rgba->height, 1, 0, 1);
    s.bound_texture = s.scratch->name;
  }
  BindTexture(s.scratch->name);
  Upload(rgba, 0, 0, 0, 0, rgba->width, rgba->height, 0, 0);
  gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  const int32_t blend = s.applied_blend;
  SetBlend(BlendSolid);
  uint8_t color[4];
  std::memcpy(color, s.color, 4);
  std::memset(s.color, 255, 4);
  const float x0 = static_cast<float>(x), y0 = static_cast<float>(y);
  const float x1 = x0 + static_cast<float>(rgba->width), y1 = y0 + static_cast<float>(rgba->height);
  const float xy[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
  const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  Begin(s.scratch->name, GL_TRIANGLES);
  PutQuad(xy, uv, 0.0f);
  Flush();
  std::memcpy(s.color, color, 4);
  SetBlend(blend);
}

TPixmapPtr TGLESDraw2DDriver::GrabPixmap(int32_t x, int32_t y, int32_t width, int32_t height) {
  TPixmapPtr grab = TPixmap::Create(width, height, RGBA32, 4);
  if (!grab) return nullptr;
  Flush();
  const TGLProcs& gl = GL();
  int32_t ch = CurrentGraphicsHeight();
  if (width > 0 && height > 0 && S().ready > 0) {
    // What lies outside the frame buffer reads as black, not as old memory.
    if (x < 0 || y < 0 || x + width > CurrentGraphicsWidth() || y + height > ch) {
      grab->ClearPixels(0);
    }
    gl.PixelStorei(GL_PACK_ALIGNMENT, 4);
    gl.PixelStorei(GL_PACK_ROW_LENGTH, grab->pitch / 4);
    gl.ReadPixels(x, ch - y - height, width, height, GL_RGBA, GL_UNSIGNED_BYTE, grab->pixels);
    gl.PixelStorei(GL_PACK_ROW_LENGTH, 0);
    // A frame buffer without an alpha buffer asked for reads as opaque everywhere.
    if (!(CurrentGraphicsFlags() & GraphicsAlphaBuffer)) {
      for (int32_t row = 0; row < height; ++row) {
        uint8_t* p = grab->PixelPtr(0, row);
        for (int32_t i = 0; i < width; ++i) p[i * 4 + 3] = 255;
      }
    }
  }
  return FlipPixmapY(grab);
}

TGLESDraw2DDriver& TheGLESDraw2DDriver() {
  static TGLESDraw2DDriver* driver = new TGLESDraw2DDriver;
  return *driver;
}

void StartGLESDraw2DDriver() {
  static bool started = false;
  if (started) return;
  started = true;
  StartGLDraw2DDriver();
  Host().on_release = ReleaseContext;
  SelectGraphicsDriver(&TheGLESDraw2DDriver(), GraphicsBackBuffer);
}

void StartDraw2DGraphics() {
  const char* knob = std::getenv("VEKTOR_SWARM_GRAPHICS");
  const std::string choice = knob ? knob : "";
  if (choice == "opengl") {
    StartGLDraw2DDriver();
    return;
  }
  if (!choice.empty() && choice != "gles") {
    static bool said = false;
    if (!said) {
      said = true;
      std::fprintf(stderr, "VEKTOR_SWARM_GRAPHICS=%s is not known (opengl or gles); using the default\n",
                   choice.c_str());
    }
  }
  StartGLESDraw2DDriver();
}
