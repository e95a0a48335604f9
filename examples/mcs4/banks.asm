; quodlet-asm --machine mcs4
; banks.asm: all eight RAM banks of the Intel MCS-4 system, with their status
; characters.
;
; DCL selects a bank (the accumulator's three low bits); SRC then sends an
; address that only the selected bank latches: chip, register and character.
; The program writes its number into every character and every status
; character of each bank in turn, 8 banks x 16 registers x (16 + 4).
;   quodlet-run --machine mcs4 --until DONE --json banks.asm
; Result: in bank b every character and status character is b (bank 0 holds
; zeros); the selected bank is 7.

        FIM R10R11, 0x08 ; R10 = the bank, R11 counts 8 banks up to 16
BANK:   LD R10
        DCL             ; select bank R10
        FIM R0R1, 0     ; R0 = chip and register, R1 = character
CHAR:   SRC R0R1
        LD R10
        WRM             ; the character
        ISZ R1, CHAR    ; all 16 of the register
        LD R10
        WR0             ; its four status characters, at the address SRC left
        WR1
        WR2
        WR3
        ISZ R0, CHAR    ; all 16 registers of the bank (4 chips x 4)
        INC R10
        ISZ R11, BANK   ; all 8 banks
DONE:   JUN DONE        ; the program's end: it waits here
