# One static library per subsystem folder; sources are picked up from the folder so that adding a
# file needs no edit here.
function(tabulon_glob_sources out dir)
  file(GLOB_RECURSE _src CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h ${dir}/*.qrc)
  set(${out} ${_src} PARENT_SCOPE)
endfunction()
