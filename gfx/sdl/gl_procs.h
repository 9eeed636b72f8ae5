// OpenGL entry points looked up through SDL, for code that must run in any kind of context
// the drivers make (OpenGL ES 3, OpenGL 3.3 core, OpenGL 2.1 compatibility) and so cannot rely
// on the functions a link against libGL exports. One table; each driver loads it once its
// hidden context exists. Platform header: only files that wrap OpenGL include it.
#pragma once

#include <SDL.h>
#include <SDL_opengl.h>

// Entries every context offers (OpenGL 1.1 and ES 2).
#define VS_GL_BASE_PROCS(X)                                                                    \
  X(const GLubyte*, GetString, (GLenum))                                                       \
  X(GLenum, GetError, (void))                                                                  \
  X(void, GetIntegerv, (GLenum, GLint*))                                                       \
  X(void, GetFloatv, (GLenum, GLfloat*))                                                       \
  X(GLboolean, IsEnabled, (GLenum))                                                            \
  X(void, Enable, (GLenum))                                                                    \
  X(void, Disable, (GLenum))                                                                   \
  X(void, Clear, (GLbitfield))                                                                 \
  X(void, ClearColor, (GLfloat, GLfloat, GLfloat, GLfloat))                                    \
  X(void, Scissor, (GLint, GLint, GLsizei, GLsizei))                                           \
  X(void, Viewport, (GLint, GLint, GLsizei, GLsizei))                                          \
  X(void, Finish, (void))                                                                      \
  X(void, Flush, (void))                                                                       \
  X(void, BlendFunc, (GLenum, GLenum))                                                         \
  X(void, LineWidth, (GLfloat))                                                                \
  X(void, PixelStorei, (GLenum, GLint))                                                        \
  X(void, ReadPixels, (GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*))                 \
  X(void, GenTextures, (GLsizei, GLuint*))                                                     \
  X(void, DeleteTextures, (GLsizei, const GLuint*))                                            \
  X(void, BindTexture, (GLenum, GLuint))                                                       \
  X(void, TexParameteri, (GLenum, GLenum, GLint))                                              \
  X(void, TexImage2D, (GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum,          \
                       const void*))                                                           \
  X(void, TexSubImage2D, (GLenum, GLint, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum,       \
                          const void*))                                                        \
  X(void, DrawArrays, (GLenum, GLint, GLsizei))

// Offscreen buffers: core in OpenGL 3 and ES 3, else ARB_framebuffer_object or the EXT pair.
#define VS_GL_FBO_PROCS(X)                                                                     \
  X(void, GenFramebuffers, (GLsizei, GLuint*))                                                 \
  X(void, DeleteFramebuffers, (GLsizei, const GLuint*))                                        \
  X(void, BindFramebuffer, (GLenum, GLuint))                                                   \
  X(void, GenRenderbuffers, (GLsizei, GLuint*))                                                \
  X(void, DeleteRenderbuffers, (GLsizei, const GLuint*))                                       \
  X(void, BindRenderbuffer, (GLenum, GLuint))                                                  \
  X(void, RenderbufferStorage, (GLenum, GLenum, GLsizei, GLsizei))                             \
  X(void, FramebufferRenderbuffer, (GLenum, GLenum, GLenum, GLuint))                           \
  X(GLenum, CheckFramebufferStatus, (GLenum))                                                  \
  X(void, BlitFramebuffer, (GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint,            \
                            GLbitfield, GLenum))

// Shaders, buffers, vertex arrays and array textures: OpenGL ES 3 and OpenGL 3.3.
#define VS_GL_SHADER_PROCS(X)                                                                  \
  X(GLuint, CreateShader, (GLenum))                                                            \
  X(void, ShaderSource, (GLuint, GLsizei, const GLchar* const*, const GLint*))                 \
  X(void, CompileShader, (GLuint))                                                             \
  X(void, GetShaderiv, (GLuint, GLenum, GLint*))                                               \
  X(void, GetShaderInfoLog, (GLuint, GLsizei, GLsizei*, GLchar*))                              \
  X(void, DeleteShader, (GLuint))                                                              \
  X(GLuint, CreateProgram, (void))                                                             \
  X(void, AttachShader, (GLuint, GLuint))                                                      \
  X(void, BindAttribLocation, (GLuint, GLuint, const GLchar*))                                 \
  X(void, LinkProgram, (GLuint))                                                               \
  X(void, GetProgramiv, (GLuint, GLenum, GLint*))                                              \
  X(void, GetProgramInfoLog, (GLuint, GLsizei, GLsizei*, GLchar*))                             \
  X(void, DeleteProgram, (GLuint))                                                             \
  X(void, UseProgram, (GLuint))                                                                \
  X(GLint, GetUniformLocation, (GLuint, const GLchar*))                                        \
  X(void, Uniform1i, (GLint, GLint))                                                           \
  X(void, Uniform1f, (GLint, GLfloat))                                                         \
  X(void, Uniform4f, (GLint, GLfloat, GLfloat, GLfloat, GLfloat))                              \
  X(void, GenBuffers, (GLsizei, GLuint*))                                                      \
  X(void, DeleteBuffers, (GLsizei, const GLuint*))                                             \
  X(void, BindBuffer, (GLenum, GLuint))                                                        \
  X(void, BufferData, (GLenum, GLsizeiptr, const void*, GLenum))                               \
  X(void, BufferSubData, (GLenum, GLintptr, GLsizeiptr, const void*))                          \
  X(void, GenVertexArrays, (GLsizei, GLuint*))                                                 \
  X(void, DeleteVertexArrays, (GLsizei, const GLuint*))                                        \
  X(void, BindVertexArray, (GLuint))                                                           \
  X(void, EnableVertexAttribArray, (GLuint))                                                   \
  X(void, VertexAttribPointer, (GLuint, GLint, GLenum, GLboolean, GLsizei, const void*))       \
  X(void, TexImage3D, (GLenum, GLint, GLint, GLsizei, GLsizei, GLsizei, GLint, GLenum, GLenum, \
                       const void*))                                                           \
  X(void, TexSubImage3D, (GLenum, GLint, GLint, GLint, GLint, GLsizei, GLsizei, GLsizei,       \
                          GLenum, GLenum, const void*))                                        \
  X(void, CopyTexSubImage3D, (GLenum, GLint, GLint, GLint, GLint, GLint, GLint, GLsizei,       \
                              GLsizei))                                                        \
  X(void, FramebufferTextureLayer, (GLenum, GLenum, GLuint, GLint, GLint))

struct TGLProcs {
#define VS_GL_PROC_FIELD(ret, name, args) ret(APIENTRY* name) args = nullptr;
  VS_GL_BASE_PROCS(VS_GL_PROC_FIELD)
  VS_GL_FBO_PROCS(VS_GL_PROC_FIELD)
  VS_GL_SHADER_PROCS(VS_GL_PROC_FIELD)
#undef VS_GL_PROC_FIELD
  bool base = false;     // every base entry found
  bool fbo = false;      // offscreen buffers and the blit between them
  bool shaders = false;  // every shader-era entry found

  // With a context current: looks every entry up. `es` names an OpenGL ES context, whose
  // version string reads "OpenGL ES 3.x ...".
  void Load(bool es);
};
