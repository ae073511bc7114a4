#!/bin/sh
# Draws the login window's background picture (522 x 270): the product name,
# the framed field under which the password edit lies (205,143 152x16) and
# the "登录" area the clickable label covers (401,112 80x73).
# Needs ImageMagick and the WenQuanYi Zen Hei font.
# Usage: tools/make-login-image.sh [output.jpg]
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../resources/login/login.jpg}
font=$(fc-match -f '%{file}' 'WenQuanYi Zen Hei')

convert -size 522x270 gradient:'#173452'-'#2d6494' \
  -fill '#ffffff10' -stroke none -draw 'circle 470,30 560,30' -draw 'circle 40,260 110,260' \
  -font "$font" \
  -fill '#ffffff' -pointsize 34 -draw "text 28,60 'Kestrune'" \
  -fill '#c9dcef' -pointsize 14 -draw "text 31,86 '远程桌面服务器管理'" \
  -stroke '#ffffff40' -strokewidth 1 -draw 'line 30,96 250,96' \
  -fill '#eef3f8' -stroke '#9fbad4' -draw 'roundrectangle 118,104 494,196 8,8' \
  -stroke none -fill '#23405e' -pointsize 13 -draw "text 136,156 '启动密码'" \
  -fill '#ffffff' -stroke '#7f9db9' -draw 'rectangle 202,140 359,161' \
  -stroke none -fill '#5d7893' -pointsize 11 -draw "text 204,181 '输入密码后按回车键，或点击“登录”'" \
  -fill '#3b8de0' -stroke '#1d5ea6' -strokewidth 1.5 -draw 'roundrectangle 404,115 478,182 8,8' \
  -stroke none -fill '#ffffff' -pointsize 20 -draw "text 421,156 '登录'" \
  -fill '#b9cde1' -pointsize 11 -draw "text 30,252 '按 Esc 键退出'" \
  -quality 92 -sampling-factor 1x1 -strip "$out"
