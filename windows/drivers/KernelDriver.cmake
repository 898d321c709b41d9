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
  set(objects ${name}_kernel_objects)
  add_library(${objects} OBJECT ${ARG_SOURCES} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/divide64.cpp)
  sorvex_driver_library(${objects})
  target_compile_definitions(${objects} PRIVATE SORVEX_WINDOWS_KERNEL)
  target_include_directories(${objects} PRIVATE ${ARG_INCLUDES} ${SORVEX_ROOT}/kernel/include)
  # No unwind tables, stack protector or stack probes (none of their runtime
  # exists in the kernel), and no x87, MMX or SSE registers, whose state the
  # kernel does not save for a driver.
  target_compile_options(${objects} PRIVATE
    -ffreestanding -fno-asynchronous-unwind-tables -fno-stack-protector -mno-stack-arg-probe
    -mgeneral-regs-only -Wframe-larger-than=${SORVEX_KERNEL_FRAME_LIMIT})

  set(image ${CMAKE_BINARY_DIR}/${name}.sys)
  add_custom_command(OUTPUT ${image}
    COMMAND ${CMAKE_CXX_COMPILER} -nostdlib -shared -s
            -Wl,--subsystem,native -Wl,--image-base,0x10000 -Wl,--entry,_DriverEntry@8
            -Wl,--kill-at -Wl,--dynamicbase
            -Wl,--disable-auto-import -Wl,--disable-runtime-pseudo-reloc
            -o ${image} $<TARGET_OBJECTS:${objects}> ${ARG_DEF} ${ARG_LIBRARIES} -lntoskrnl -lhal
    DEPENDS $<TARGET_OBJECTS:${objects}> ${ARG_DEF} ${ARG_LIBRARIES}
    COMMAND_EXPAND_LISTS VERBATIM)
  add_custom_target(${name}_sys ALL DEPENDS ${image})
endfunction()
