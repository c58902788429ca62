# Included by the top-level CMakeLists: generated sources must be made in the
# directory of the target that compiles them.
# Pictures, drawn by artwork/drawicons.cpp and checked in.
target_sources(quorvaline_core PRIVATE ${CMAKE_SOURCE_DIR}/resources/resources.qrc)

# Translations: lrelease compiles the .ts sources at build time, and the .qm
# files are embedded under :/i18n/.
set(ts_files
  ${CMAKE_SOURCE_DIR}/resources/i18n/QUORVALINE_en_US.ts
  ${CMAKE_SOURCE_DIR}/resources/i18n/QUORVALINE_zh_CN.ts)
set_source_files_properties(${ts_files} PROPERTIES OUTPUT_LOCATION ${CMAKE_BINARY_DIR}/resources/i18n)
qt5_add_translation(qm_files ${ts_files})

set(translations_qrc ${CMAKE_BINARY_DIR}/resources/translations.qrc)
file(WRITE ${translations_qrc}.in
"<RCC>\n  <qresource prefix=\"/i18n\">\n"
"    <file alias=\"QUORVALINE_en_US.qm\">i18n/QUORVALINE_en_US.qm</file>\n"
"    <file alias=\"QUORVALINE_zh_CN.qm\">i18n/QUORVALINE_zh_CN.qm</file>\n"
"  </qresource>\n</RCC>\n")
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/resources/i18n)
configure_file(${translations_qrc}.in ${translations_qrc} COPYONLY)
# rcc runs on the qrc at build time, after lrelease has written the .qm files.
set_source_files_properties(${translations_qrc} PROPERTIES
  SKIP_AUTORCC ON GENERATED ON)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/resources/qrc_translations.cpp
  COMMAND Qt5::rcc --name translations --output ${CMAKE_BINARY_DIR}/resources/qrc_translations.cpp ${translations_qrc}
  DEPENDS ${translations_qrc} ${qm_files}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/resources)
target_sources(quorvaline_core PRIVATE ${CMAKE_BINARY_DIR}/resources/qrc_translations.cpp)
set_source_files_properties(${CMAKE_BINARY_DIR}/resources/qrc_translations.cpp PROPERTIES SKIP_AUTOMOC ON SKIP_AUTOUIC ON GENERATED ON)
