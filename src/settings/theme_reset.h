// The theme and wallpaper reset: no theme chosen, the default colours and application icons
// copied from their templates, the built-in wallpapers, no theme folders, the shell told to
// reload its wallpaper.
#pragma once

// Resets the theme; 0 when the theme key can be neither made nor opened (nothing else is done
// then), 1 otherwise, whatever the later steps achieve.
int ResetThemeSetting();
