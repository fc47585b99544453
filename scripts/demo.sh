# Sourced: the demo catalogue of scripts/run.sh and scripts/screenshots.sh. Wine's own
# programs stand in for games, so that launching works and the icons are real.

# Writes Game.dat and settings.cfg into the directory, each only when it is not there.
pallisar_demo_files() { # directory
  if [ ! -f "$1/Game.dat" ]; then
    sed 's/$/\r/' >"$1/Game.dat" <<'EOF'
[Wine Minesweeper]
IconName=C:\windows\system32\winemine.exe,0
Params=
Run=C:\windows\system32\winemine.exe
GameOnly=0
Splash=Disable
AA=2 Sample Anti-Aliasing
glAAToggle=F12
VSynch=Disable
RGamma=1.20
GGamma=1.20
BGamma=1.20
[Notepad (Game Only)]
IconName=C:\windows\notepad.exe,0
Params=
Run=C:\windows\notepad.exe
GameOnly=1
[Task Manager]
IconName=C:\windows\system32\taskmgr.exe,0
Params=
Run=C:\windows\system32\taskmgr.exe
GameOnly=0
TripleBuffering=Enable
LODBias=-0.5
[Wine Configuration]
IconName=C:\windows\system32\winecfg.exe,0
Params=
Run=C:\windows\system32\winecfg.exe
GameOnly=0
[Sharp 4x Anti-Aliasing]
IconName=C:\windows\system32\shell32.dll,3
Params=
Run=INTERNAL
GameOnly=0
AA=4 Sample Anti-Aliasing
TDFilterQuality=High
EOF
  fi
  if [ ! -f "$1/settings.cfg" ]; then
    printf '[Program]\r\nVersion=1.01\r\nGenerateLog=1\r\nResetSettings=1\r\nViewStyle=0\r\n' \
      >"$1/settings.cfg"
  fi
}
