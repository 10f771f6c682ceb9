# The Qt window: the widgets library, the program and its headless tests.
# D-Bus: the desktop's services for a long batch (keeping the computer awake,
# a notification at the end, the progress on the task-bar entry).
find_package(Qt6 REQUIRED COMPONENTS Widgets Multimedia MultimediaWidgets DBus)
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)

# The preview player, then the windows above it; the program's entry and the
# UI tests link the windows.
file(GLOB PREVIEW_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/preview/*.cpp ${CMAKE_SOURCE_DIR}/src/preview/*.h)
add_library(tarvolin_preview STATIC ${PREVIEW_SOURCES})
target_link_libraries(tarvolin_preview PUBLIC
  tarvolin_engine Qt6::Widgets Qt6::Multimedia Qt6::MultimediaWidgets)
tarvolin_layer_includes(tarvolin_preview preview ${TARVOLIN_CORE_LAYERS})

file(GLOB UI_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/ui/*.cpp ${CMAKE_SOURCE_DIR}/src/ui/*.h)
list(REMOVE_ITEM UI_SOURCES ${CMAKE_SOURCE_DIR}/src/ui/main.cpp)
add_library(tarvolin_ui STATIC ${UI_SOURCES} ${CMAKE_SOURCE_DIR}/resources/artwork.qrc)
target_link_libraries(tarvolin_ui PUBLIC tarvolin_preview Qt6::DBus)
tarvolin_layer_includes(tarvolin_ui ui preview ${TARVOLIN_CORE_LAYERS})

add_executable(tarvolin ${CMAKE_SOURCE_DIR}/src/ui/main.cpp)
target_link_libraries(tarvolin PRIVATE tarvolin_ui)
set_target_properties(tarvolin PROPERTIES WIN32_EXECUTABLE ON)
# The program is only usable with the encoder and the profiles beside it.
foreach(needed wmaspi profiles)
  if(TARGET ${needed})
    add_dependencies(tarvolin ${needed})
  endif()
endforeach()

# Draws the artwork into resources/images (run by hand when the pictures
# change; the pictures are kept in the repository).
add_executable(tarvolin_artwork EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/resources/ArtworkGenerator.cpp)
target_link_libraries(tarvolin_artwork PRIVATE Qt6::Gui)
set_target_properties(tarvolin_artwork PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
add_custom_target(artwork
  COMMAND tarvolin_artwork ${CMAKE_SOURCE_DIR}/resources/images
  DEPENDS tarvolin_artwork
  COMMENT "Drawing the artwork into resources/images")

if(TARVOLIN_TESTS AND NOT CMAKE_CROSSCOMPILING)
  file(GLOB UI_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/ui/*.cpp)
  if(UI_TEST_SOURCES)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    include(GoogleTest)
    add_executable(ui_tests ${UI_TEST_SOURCES})
    set_target_properties(ui_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/testbin)
    # test_support (tests/) brings GoogleTest and the program directory.
    target_link_libraries(ui_tests PRIVATE tarvolin_ui test_support Qt6::Test)
    foreach(needed wmaspi profiles)
      if(TARGET ${needed})
        add_dependencies(ui_tests ${needed})
      endif()
    endforeach()
    gtest_discover_tests(ui_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 30
      PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT 300)
  endif()
  # The window's place needs a real X server and a window manager, which the
  # script starts itself (xvfb-run, openbox).
  add_test(NAME Desktop.TheWindowComesBackWhereItWas
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/ui/WindowPlaceTest.sh ${PROGRAM_DIR})
  set_tests_properties(Desktop.TheWindowComesBackWhereItWas PROPERTIES
    SKIP_RETURN_CODE 77 TIMEOUT 180)
  # The real program killed in a batch and started again.
  add_test(NAME Desktop.AListKilledInABatchComesBackInterruptedAndConverts
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/ui/SurvivalTest.sh ${PROGRAM_DIR})
  set_tests_properties(Desktop.AListKilledInABatchComesBackInterruptedAndConverts PROPERTIES
    SKIP_RETURN_CODE 77 TIMEOUT 240)
endif()

# Only the window's targets are Qt targets.
unset(CMAKE_AUTOMOC)
unset(CMAKE_AUTORCC)
