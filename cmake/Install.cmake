# The installed product: the host, the plug-in, the skin and the catalogue side by side in
# lib/sorvik (the host finds them beside its real path), bin/sorvik a link to the host, and
# the desktop entry, icons and AppStream metadata under share/.
set(SORVIK_APP_ID com.sorvik.Statuscope)
set(SORVIK_APP_DIR lib/sorvik)

install(TARGETS sorvik_host RUNTIME DESTINATION ${SORVIK_APP_DIR})
install(TARGETS sorvik LIBRARY DESTINATION ${SORVIK_APP_DIR})
install(FILES ${CMAKE_BINARY_DIR}/bin/sorvik.skin DESTINATION ${SORVIK_APP_DIR})
install(FILES ${CMAKE_BINARY_DIR}/bin/ja/LC_MESSAGES/sorvik.mo DESTINATION ${SORVIK_APP_DIR}/ja/LC_MESSAGES)
install(CODE "
  set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  file(MAKE_DIRECTORY \"\${bin}\")
  file(REMOVE \"\${bin}/sorvik\")
  file(CREATE_LINK ../${SORVIK_APP_DIR}/sorvik \"\${bin}/sorvik\" SYMBOLIC)
  # The menu entry names the installed link by its full path, known only now.
  set(SORVIK_EXEC \"\${CMAKE_INSTALL_PREFIX}/bin/sorvik\")
  configure_file(\"${PROJECT_SOURCE_DIR}/assets/desktop/${SORVIK_APP_ID}.desktop.in\"
                 \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/share/applications/${SORVIK_APP_ID}.desktop\" @ONLY)
")
install(FILES assets/desktop/${SORVIK_APP_ID}.metainfo.xml DESTINATION share/metainfo)
foreach(size 48 256)
  install(FILES assets/icons/${SORVIK_APP_ID}-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME ${SORVIK_APP_ID}.png)
endforeach()
install(FILES assets/icons/${SORVIK_APP_ID}.svg DESTINATION share/icons/hicolor/scalable/apps)

# The manual page (the package compresses it).
install(FILES assets/package/sorvik.1 DESTINATION share/man/man1)
