#!/usr/bin/env bash
# make-msi.sh BUILD QT_PREFIX VERSION OUT.msi: the Windows installer of a cross build, made with wixl.
# It holds the four programs, every library they import that is not Windows' own (found from their import
# tables, and from those of what they import, not from a list kept by hand), Qt's Windows platform plugin
# with what it imports, the sample dictionary and a Start menu entry with the program's icon; Windows lists
# it under installed programs, from where it uninstalls. It installs for the user alone, into
# %LOCALAPPDATA%\Programs\Volmira, without administrator rights.
set -euo pipefail
build=$1 qt=$2 version=$3 msi=$4
stage=$build/msi
rm -rf "$stage"
mkdir -p "$stage/platforms" "$stage/styles"

runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
search=("$qt/bin" "$runtime" /usr/x86_64-w64-mingw32/lib)

imports() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'; }

# Copies each library that file imports into the stage, then what those import; a name found in none of
# the search folders is Windows' own.
declare -A seen=()
bring() {
  local dll found folder
  for dll in $(imports "$1"); do
    [ -n "${seen[${dll,,}]:-}" ] && continue
    seen[${dll,,}]=1
    found=
    for folder in "${search[@]}"; do
      found=$(find "$folder" -maxdepth 1 -iname "$dll" -print -quit)
      [ -n "$found" ] && break
    done
    [ -z "$found" ] && continue
    cp "$found" "$stage/"
    bring "$found"
  done
}

for program in volmira volmira-query volmira-export volmira-diff; do
  cp "$build/bin/$program.exe" "$stage/"
  bring "$stage/$program.exe"
done
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
bring "$stage/platforms/qwindows.dll"
for style in "$qt"/plugins/styles/*.dll; do
  [ -e "$style" ] || continue
  cp "$style" "$stage/styles/"
  bring "$style"
done
rmdir "$stage/styles" 2>/dev/null || true
find "$stage" \( -name '*.exe' -o -name '*.dll' \) -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
cp "$build/samples/TAVRIN-sample.mdb" "$stage/"

# One component a file, its GUID derived by wixl from its path; the Start menu entry's component keeps a
# value under the user's key, as Windows Installer wants of what it installs into a user's profile.
wxs=$build/volmira.wxs
id() { printf '%s' "$1" | tr -c 'A-Za-z0-9_.' '_'; }
components=()
files_of() {
  local folder=$1 file name
  for file in "$folder"/*; do
    [ -f "$file" ] || continue
    name=$(id "${file#"$stage"/}")
    components+=("c_$name")
    printf '          <Component Id="c_%s" Guid="*"><File Id="f_%s" Source="%s" KeyPath="yes"/></Component>\n' \
      "$name" "$name" "${file#"$build"/}"
  done
}
{
  cat <<EOF
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Volmira" Language="1033" Version="$version" Manufacturer="Volmira"
           UpgradeCode="6F0C2B5E-2D4A-4E8B-9C61-7A9E3B1D5F20">
    <Package InstallerVersion="500" Compressed="yes" InstallScope="perUser"
             Description="Volmira $version, the browser for the TAVRIN data dictionary"/>
    <Media Id="1" Cabinet="volmira.cab" EmbedCab="yes"/>
    <Icon Id="volmira.ico" SourceFile="rendered/volmira.ico"/>
    <Property Id="ARPPRODUCTICON" Value="volmira.ico"/>
    <Property Id="ARPURLINFOABOUT" Value="https://volmira.org"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="LocalAppDataFolder">
        <Directory Id="UserPrograms" Name="Programs">
          <Directory Id="INSTALLDIR" Name="Volmira">
EOF
  files_of "$stage"
  for sub in "$stage"/*/; do
    sub=${sub%/}
    printf '            <Directory Id="d_%s" Name="%s">\n' "$(id "${sub##*/}")" "${sub##*/}"
    files_of "$sub"
    printf '            </Directory>\n'
  done
  cat <<EOF
          </Directory>
        </Directory>
      </Directory>
      <Directory Id="ProgramMenuFolder">
        <Component Id="c_shortcut" Guid="*">
          <Shortcut Id="menu_entry" Name="Volmira" Description="Browse a TAVRIN data dictionary"
                    Target="[INSTALLDIR]volmira.exe" WorkingDirectory="INSTALLDIR" Icon="volmira.ico"/>
          <RegistryValue Root="HKCU" Key="Software\\Volmira" Name="menu_entry" Type="integer" Value="1"
                         KeyPath="yes"/>
        </Component>
      </Directory>
    </Directory>
    <Feature Id="Volmira" Title="Volmira" Level="1">
EOF
  for component in "${components[@]}" c_shortcut; do
    printf '      <ComponentRef Id="%s"/>\n' "$component"
  done
  cat <<EOF
    </Feature>
  </Product>
</Wix>
EOF
} > "$wxs"
rm -f "$msi"
# wixl takes the files' paths relative to the folder it runs in.
(cd "$build" && wixl -a x64 -o "$msi" "$wxs")
