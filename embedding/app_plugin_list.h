// The eight plugins the Dart app uses, in registration order: the one list
// behind the declarations of their registration functions, the registration
// table, the native test fakes and the build of the stand-in plugin
// libraries (standins/plugins/CMakeLists.txt reads the rows below).
//
// KESTRO_APP_PLUGINS(X) expands X(registrar_name, library_name) once per
// plugin: the plugin's registration function is registrar_name followed by
// RegisterWithRegistrar, exported by library_name.dll.

#ifndef KESTRO_EMBEDDING_APP_PLUGIN_LIST_H_
#define KESTRO_EMBEDDING_APP_PLUGIN_LIST_H_

// clang-format off
#define KESTRO_APP_PLUGINS(X)                                   \
  X(AppLinksPluginCApi, app_links_plugin)                       \
  X(AudioplayersWindowsPlugin, audioplayers_windows_plugin)     \
  X(ConnectivityPlusWindowsPlugin, connectivity_plus_plugin)    \
  X(PrintingPlugin, printing_plugin)                            \
  X(SharePlusWindowsPluginCApi, share_plus_plugin)              \
  X(Sqlite3FlutterLibsPlugin, sqlite3_flutter_libs_plugin)      \
  X(UrlLauncherWindows, url_launcher_windows_plugin)            \
  X(WindowsSingleInstancePlugin, windows_single_instance_plugin)
// clang-format on

#endif  // KESTRO_EMBEDDING_APP_PLUGIN_LIST_H_
