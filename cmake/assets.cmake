# Embedding of the game's pictures and font, and of the framework's two bitmap fonts.
# The pictures and .bin fonts are committed under graphx/ and fonts/ (written by
# tools/assetgen); the TrueType font comes from the fonts-play package at build time.
include_guard(GLOBAL)

set(VS_ASSET_SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/.." CACHE INTERNAL "")
set(VS_TITLE_FONT "/usr/share/fonts/truetype/play/Play-Bold.ttf" CACHE FILEPATH
    "TrueType font embedded as fonts\\astronbv.ttf (Debian package fonts-play)")

# vs_embed_game_assets(<target>): embeds the five game resources under the names the
# game opens them by, and the window icon, and generates `void RegisterGameAssets()`.
function(vs_embed_game_assets target)
  if(NOT EXISTS "${VS_TITLE_FONT}")
    message(FATAL_ERROR "The game font ${VS_TITLE_FONT} is missing: install the Debian package fonts-play")
  endif()
  set(ttf "${CMAKE_CURRENT_BINARY_DIR}/vs_assets/astronbv.ttf")
  add_custom_command(OUTPUT "${ttf}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_CURRENT_BINARY_DIR}/vs_assets"
    COMMAND ${CMAKE_COMMAND} -E copy "${VS_TITLE_FONT}" "${ttf}"
    DEPENDS "${VS_TITLE_FONT}"
    COMMENT "Copying Play-Bold.ttf to astronbv.ttf"
    VERBATIM)
  # Listing the copy as a source makes the build produce it before the embedding assembles.
  target_sources(${target} PRIVATE "${ttf}")
  set(g "${VS_ASSET_SOURCE_DIR}/graphx")
  vs_embed(${target} RegisterGameAssets
    "fonts\\astronbv.ttf" "${ttf}"
    "graphx\\kxlogo.png" "${g}/kxlogo.png"
    "graphx\\vscl_title.png" "${g}/vscl_title.png"
    "graphx\\vscl_bkdrop.png" "${g}/vscl_bkdrop.png"
    "graphx\\vs3D_sprites.png" "${g}/vs3D_sprites.png"
    "graphx\\icons\\vektor-swarm-64.png" "${g}/icons/vektor-swarm-64.png")
endfunction()

# vs_embed_framework_fonts(<target>): embeds "vantlefont.bin" (the image fonts' default)
# and "gldrawtextfont.bin" (the OpenGL text routine's) and generates
# `void RegisterFrameworkFonts()`.
function(vs_embed_framework_fonts target)
  set(f "${VS_ASSET_SOURCE_DIR}/fonts")
  vs_embed(${target} RegisterFrameworkFonts
    "vantlefont.bin" "${f}/vantlefont.bin"
    "gldrawtextfont.bin" "${f}/gldrawtextfont.bin")
endfunction()
