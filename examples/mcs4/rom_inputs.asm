; quodlet-asm --machine mcs4
; rom_inputs.asm: the input lines of the sixteen ROM chips of the Intel MCS-4
; system.
;
; Each 4001 ROM has four I/O lines; SRC chooses the chip by the address's
; high nibble, and RDR reads its input lines (never what WRR wrote to its
; output latch). Set them from the command line or the MCS-4 system's
; window. The program copies chip k's lines into RAM character k of bank 0,
; register 0.0.
;   quodlet-run --machine mcs4 --rom-in 3=5 --rom-in 12=9 --until DONE rom_inputs.asm
; Result with those lines: RAM 0.0.0 = 0005000000009000

        FIM R0R1, 0     ; R0 = the ROM chip
        FIM R2R3, 0     ; R3 = the RAM character
LOOP:   SRC R0R1        ; ROM chip R0
        RDR             ; its input lines
        SRC R2R3        ; RAM character R3 of register 0.0
        WRM
        INC R3
        ISZ R0, LOOP    ; all 16 chips
DONE:   JUN DONE        ; the program's end: it waits here
