# Building a kernel export driver image (NAME.sys) for 32-bit Windows.

# Frames larger than this fail the build: the x86 kernel stack is 12 KiB and
# is shared with the minidriver and the kernel below the exports.
set(SORVEX_KERNEL_FRAME_LIMIT 2048)

# The source files of a target, as absolute paths, including those of the
# object libraries it takes in through $<TARGET_OBJECTS:...>.
function(sorvex_target_sources out target)
  get_target_property(sources ${target} SOURCES)
  get_target_property(directory ${target} SOURCE_DIR)
  set(result)
  foreach(source IN LISTS sources)
    if(source MATCHES "^\\$<TARGET_OBJECTS:([^>]+)>$")
      sorvex_target_sources(object_sources ${CMAKE_MATCH_1})
      list(APPEND result ${object_sources})
    elseif(IS_ABSOLUTE "${source}")
      list(APPEND result ${source})
    else()
      list(APPEND result ${directory}/${source})
    endif()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# sorvex_kernel_driver(NAME DEF file.def SOURCES ... [INCLUDES ...] [LIBRARIES ...])
# compiles the sources with the freestanding kernel flags and links them,
# with the kernel's import libraries only, into ${CMAKE_BINARY_DIR}/NAME.sys:
# native subsystem, image base 0x10000, entry DriverEntry, exports as the
# .def file lists them (undecorated stdcall names), and the image checksum
# the loader verifies (the linker computes it).
function(sorvex_kernel_driver name)
  cmake_parse_arguments(ARG "" "DEF" "SOURCES;INCLUDES;LIBRARIES" ${ARGN})
  # The vector units (named for their instruction set, see
  # cmake/Freestanding.cmake) are built apart, with their own flags; AVX2
  # units are left out, since the drivers save the legacy floating-point
  # state only (KeSaveFloatingPointState), not the extended state AVX
  # registers belong to.
  set(general_sources)
  set(vector_sources)
  foreach(source IN LISTS ARG_SOURCES)
    sorvex_vector_unit_flags(flags ${source})
    if(NOT flags)
      list(APPEND general_sources ${source})
    elseif(NOT source MATCHES "_avx2\\.cpp$")
      list(APPEND vector_sources ${source})
    endif()
  endforeach()

  # No unwind tables, stack protector or stack probes (none of their runtime
  # exists in the kernel), and frames the 12 KiB kernel stack can carry.
  set(kernel_flags
    -ffreestanding -fno-asynchronous-unwind-tables -fno-stack-protector -mno-stack-arg-probe
    -Wframe-larger-than=${SORVEX_KERNEL_FRAME_LIMIT})
  set(objects ${name}_kernel_objects)
  add_library(${objects} OBJECT ${general_sources} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/divide64.cpp)
  # No x87, MMX or SSE registers outside the vector units: the kernel does
  # not save them for a driver, and these units run outside the saves.
  target_compile_options(${objects} PRIVATE ${kernel_flags} -mgeneral-regs-only)
  set(object_libraries ${objects})
  set(object_files $<TARGET_OBJECTS:${objects}>)
  if(vector_sources)
    # The vector units run only between KeSaveFloatingPointState and
    # KeRestoreFloatingPointState. The i386 kernel stack is aligned to 4
    # bytes only, so their frames realign themselves for 16-byte spills.
    set(vector_objects ${name}_vector_objects)
    add_library(${vector_objects} OBJECT ${vector_sources})
    target_compile_options(${vector_objects} PRIVATE ${kernel_flags}
      -mincoming-stack-boundary=2 -mstackrealign)
    foreach(source IN LISTS vector_sources)
      sorvex_vector_unit_flags(flags ${source})
      set_source_files_properties(${source} TARGET_DIRECTORY ${vector_objects} PROPERTIES COMPILE_OPTIONS "${flags}")
    endforeach()
    list(APPEND object_libraries ${vector_objects})
    list(APPEND object_files $<TARGET_OBJECTS:${vector_objects}>)
  endif()
  foreach(library IN LISTS object_libraries)
    sorvex_driver_library(${library})
    target_compile_definitions(${library} PRIVATE SORVEX_WINDOWS_KERNEL)
    target_include_directories(${library} PRIVATE ${ARG_INCLUDES} ${SORVEX_ROOT}/kernel/include)
  endforeach()

  set(image ${CMAKE_BINARY_DIR}/${name}.sys)
  add_custom_command(OUTPUT ${image}
    COMMAND ${CMAKE_CXX_COMPILER} -nostdlib -shared -s
            -Wl,--subsystem,native -Wl,--image-base,0x10000 -Wl,--entry,_DriverEntry@8
            -Wl,--kill-at -Wl,--dynamicbase
            -Wl,--disable-auto-import -Wl,--disable-runtime-pseudo-reloc
            -o ${image} ${object_files} ${ARG_DEF} ${ARG_LIBRARIES} -lntoskrnl -lhal
    DEPENDS ${object_files} ${ARG_DEF} ${ARG_LIBRARIES}
    COMMAND_EXPAND_LISTS VERBATIM)
  add_custom_target(${name}_sys ALL DEPENDS ${image})
endfunction()
