; The program of every cartridge tilora-convert --rom makes. It knows no
; picture: after power-on it runs the command list the builder laid out in
; the table that follows it (register writes and DMA transfers into video,
; colour and object memory), turns the screen on, and then each frame moves
; the picture with the d-pad and shows the sprite frames in turn.
;
; Assembled with ca65/ld65 into rom_program_bytes.cpp, which the build
; checks against this file where cc65 is installed.

.p816
.smart -

INIDISP  = $2100
OAMADDL  = $2102
BG1HOFS  = $210D
BG1VOFS  = $210E
VMAIN    = $2115
VMADDL   = $2116
CGADD    = $2121
NMITIMEN = $4200
MDMAEN   = $420B
HDMAEN   = $420C
RDNMI    = $4210
HVBJOY   = $4212
JOY1     = $4218
DMAP0    = $4300
BBAD0    = $4301
A1T0     = $4302
A1B0     = $4304
DAS0     = $4305

; Table fields, at Table (right after the program, in bank 0).
T_INIT    = Table + 0    ; long: command list run once in forced blank
T_MAXX    = Table + 3    ; word: largest horizontal scroll
T_MAXY    = Table + 5    ; word: largest vertical scroll
T_STEP    = Table + 7    ; word: pixels a frame the d-pad moves the picture
T_VMASK   = Table + 9    ; word: vertical scroll register mask (10 or 13 bits)
T_FRAMES  = Table + 11   ; word: sprite frames, 0 without a sprite show
T_HOLD    = Table + 13   ; word: frames each sprite frame is shown
T_FTABLE  = Table + 15   ; long: the sprite frames' command lists, a long each
T_FIRST   = Table + 18   ; word: vertical blank at which frame 1 replaces frame 0

; Direct page.
vblanks    = $00   ; vertical blanks since power-on
ptr        = $02   ; long: the command list being run
scrollX    = $05
scrollY    = $07
frameIndex = $09
nextSwitch = $0B
entry      = $0D   ; long: the current frame's entry in the frame table
pad        = $10
scratch    = $12

CMD_END      = 0
CMD_REGISTER = 1   ; address (word), value (byte)
CMD_DMA      = 2   ; DMAP, BBAD, source (long), length (word)

.segment "CODE"

; Read by the builder to fill in the vectors.
  .addr Reset
  .addr Nmi
  .addr Ignore

Reset:
  sei
  clc
  xce
  rep #$38
  .a16
  .i16
  ldx #$1FFF
  txs
  lda #$0000
  tcd
  sep #$20
  .a8
  pha
  plb
  lda #$80
  sta INIDISP
  stz NMITIMEN
  stz HDMAEN
  jsr ClearRegisters
  rep #$20
  .a16
  stz vblanks
  stz scrollX
  stz scrollY
  stz frameIndex
  lda T_FIRST
  sta nextSwitch
  sep #$20
  .a8
  ; Counting vertical blanks from the start keeps the sprite frames on time
  ; however long loading takes; no transfer is long enough to miss one.
  lda #$81
  sta NMITIMEN
  jsr ClearMemory
  rep #$20
  .a16
  lda T_INIT
  sta ptr
  sep #$20
  .a8
  lda T_INIT + 2
  sta ptr + 2
  jsr RunList
  jsr ShowSpriteFrame
  jsr WaitVblank
  jsr WriteScroll
  lda #$0F
  sta INIDISP

MainLoop:
  jsr WaitVblank
  jsr AdvanceAnimation
  jsr ShowSpriteFrame
  jsr WriteScroll
  jsr ReadPad
  bra MainLoop

Nmi:
  rep #$20
  pha
  inc vblanks
  sep #$20
  lda f:RDNMI
  rep #$20
  pla
  rti

Ignore:
  rti

; Power-on leaves most registers undefined on the console.
.a8
.i16
ClearRegisters:
  ldx #$2101
@single:
  stz a:$0000,x
  inx
  cpx #$210D
  bne @single
@twice:
  stz a:$0000,x
  stz a:$0000,x
  inx
  cpx #$2115
  bne @twice
  lda #$80
  sta VMAIN
  stz $2116
  stz $2117
  stz $211A
  stz $211B
  lda #$01
  sta $211B
  stz $211C
  stz $211C
  stz $211D
  stz $211D
  stz $211E
  sta $211E
  stz $211F
  stz $211F
  stz $2120
  stz $2120
  ldx #$2121
@rest:
  stz a:$0000,x
  inx
  cpx #$2134
  bne @rest
  lda #$E0
  sta $2132
  lda #$FF
  sta $4201
  ldx #$4202
@cpu:
  stz a:$0000,x
  inx
  cpx #$420B
  bne @cpu
  stz $420D
  rts

; Zero video and colour memory, and every object moved off the screen
; (small, at line 224).
.a8
.i16
ClearMemory:
  lda #$80
  sta VMAIN
  stz VMADDL
  stz VMADDL + 1
  jsr FillHalfVram
  jsr FillHalfVram
  stz CGADD
  lda #$08
  sta DMAP0
  lda #$22
  sta BBAD0
  ldx #Zero
  stx A1T0
  ldx #512
  stx DAS0
  lda #1
  sta MDMAEN
  stz OAMADDL
  stz OAMADDL + 1
  lda #$04
  sta BBAD0
  ldx #Hidden
  stx A1T0
  ldx #512
  stx DAS0
  lda #1
  sta MDMAEN
  ldx #Zero
  stx A1T0
  ldx #32
  stx DAS0
  lda #1
  sta MDMAEN
  rts

; 32 KiB of zero into video memory, from where the address stands.
FillHalfVram:
  lda #$09
  sta DMAP0
  lda #$18
  sta BBAD0
  ldx #Zero
  stx A1T0
  stz A1B0
  ldx #$8000
  stx DAS0
  lda #1
  sta MDMAEN
  rts

; Runs the command list at [ptr].
.a8
.i16
RunList:
  ldy #0
@next:
  lda [ptr],y
  iny
  cmp #CMD_REGISTER
  beq @register
  cmp #CMD_DMA
  beq @dma
  rts
@register:
  rep #$20
  .a16
  lda [ptr],y
  tax
  iny
  iny
  sep #$20
  .a8
  lda [ptr],y
  iny
  sta a:$0000,x
  bra @next
@dma:
  lda [ptr],y
  sta DMAP0
  iny
  lda [ptr],y
  sta BBAD0
  iny
  rep #$20
  .a16
  lda [ptr],y
  sta A1T0
  iny
  iny
  sep #$20
  .a8
  lda [ptr],y
  sta A1B0
  iny
  rep #$20
  .a16
  lda [ptr],y
  sta DAS0
  iny
  iny
  sep #$20
  .a8
  lda #1
  sta MDMAEN
  bra @next

.a8
.i16
WaitVblank:
  rep #$20
  .a16
  lda vblanks
@wait:
  cmp vblanks
  beq @wait
  sep #$20
  .a8
  rts

; The frame shown next, from the count of vertical blanks.
.a8
.i16
AdvanceAnimation:
  rep #$20
  .a16
  lda T_FRAMES
  cmp #2
  bcc @done
@loop:
  lda vblanks
  sec
  sbc nextSwitch
  bmi @done
  lda nextSwitch
  clc
  adc T_HOLD
  sta nextSwitch
  inc frameIndex
  lda frameIndex
  cmp T_FRAMES
  bcc @loop
  stz frameIndex
  bra @loop
@done:
  sep #$20
  .a8
  rts

.a8
.i16
ShowSpriteFrame:
  rep #$20
  .a16
  lda T_FRAMES
  beq @none
  lda frameIndex
  asl
  clc
  adc frameIndex
  clc
  adc T_FTABLE
  sta entry
  sep #$20
  .a8
  lda T_FTABLE + 2
  sta entry + 2
  rep #$20
  .a16
  ldy #0
  lda [entry],y
  sta ptr
  sep #$20
  .a8
  ldy #2
  lda [entry],y
  sta ptr + 2
  jsr RunList
@none:
  sep #$20
  .a8
  rts

; The console draws the frame's first line from scanline 1, so the vertical
; scroll is one less than the picture row wanted at the top.
.a8
.i16
WriteScroll:
  lda scrollX
  sta BG1HOFS
  lda scrollX + 1
  sta BG1HOFS
  rep #$20
  .a16
  lda scrollY
  dec a
  and T_VMASK
  sta scratch
  sep #$20
  .a8
  lda scratch
  sta BG1VOFS
  lda scratch + 1
  sta BG1VOFS
  rts

; The d-pad moves the picture T_STEP pixels a frame, within its edges.
.a8
.i16
ReadPad:
@wait:
  lda HVBJOY
  and #$01
  bne @wait
  rep #$20
  .a16
  lda JOY1
  sta pad
  and #$0100
  beq @notRight
  lda scrollX
  clc
  adc T_STEP
  cmp T_MAXX
  bcc @right
  lda T_MAXX
@right:
  sta scrollX
@notRight:
  lda pad
  and #$0200
  beq @notLeft
  lda scrollX
  sec
  sbc T_STEP
  bcs @left
  lda #0
@left:
  sta scrollX
@notLeft:
  lda pad
  and #$0400
  beq @notDown
  lda scrollY
  clc
  adc T_STEP
  cmp T_MAXY
  bcc @down
  lda T_MAXY
@down:
  sta scrollY
@notDown:
  lda pad
  and #$0800
  beq @notUp
  lda scrollY
  sec
  sbc T_STEP
  bcs @up
  lda #0
@up:
  sta scrollY
@notUp:
  sep #$20
  .a8
  rts

Zero:
  .byte $00
Hidden:
  .byte $E0

Table:
