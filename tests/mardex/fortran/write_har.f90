! Writes a small Header Array file with ordinary unformatted sequential
! WRITE statements: the character header RG01 that defines set REG, and the
! array A1 over REG x REG with its set labels and its values stored FULL.
! Usage: har_fortran_write FILE
program write_har
  implicit none
  integer, parameter :: u = 10
  character(len=4), parameter :: blank4 = '    '
  character(len=512) :: path
  character(len=12) :: reg(5)
  character(len=70) :: longname
  real(kind=4) :: vals(25)
  integer :: i

  call get_command_argument(1, path)
  reg = [character(len=12) :: 'R1', 'R2', 'R3', 'R4', 'R5']
  do i = 1, 25
    vals(i) = real(i, kind=4) * 0.25
  end do
  open (unit=u, file=trim(path), form='unformatted', access='sequential', status='replace')

  ! RG01: name, descriptor (2, NStrings, LenString), one data record.
  write (u) 'RG01'
  longname = 'Set REG Regions of the world'
  write (u) blank4, '1C', 'FULL', longname, 2, 5, 12
  write (u) blank4, 1, 5, 5, reg

  ! A1: name, descriptor (7, D1..D7), set information, the one element list
  ! (both dimensions share REG), then dimension, limits and values records.
  write (u) 'A1  '
  longname = 'Trade between regions'
  write (u) blank4, 'RE', 'FULL', longname, 7, 5, 5, 1, 1, 1, 1, 1
  write (u) blank4, 1, -1, 2, 'A1          ', -1, 'REG         ', 'REG         ', 'k', 'k', 0, 0, 0
  write (u) blank4, 1, 5, 5, reg
  write (u) blank4, 3, 7, 5, 5, 1, 1, 1, 1, 1
  write (u) blank4, 2, 1, 5, 1, 5, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1
  write (u) blank4, 1, vals
  close (u)
end program write_har
